#include "pack/manifest.h"

#include <stdio.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>

#include "archive/records.h"
#include "pack/bitmap.h"
#include "pack/codepage.h"
#include "pack/messages.h"
#include "pack/toml_reader.h"
#include "pack/version_resource.h"

namespace {

struct KindName {
  const char* name;
  int32_t kind;
};
constexpr KindName KindNames[] = {
    {"app", InstallDirFile}, {"shared", SharedFile}, {"font", FontFile},
    {"startup", StartupFile}, {"system", SystemFile},
};

struct RuleName {
  const char* name;
  int32_t rule;
};
constexpr RuleName RuleNames[] = {
    {"always", AlwaysInstall}, {"if-present", OnlyIfPresent}, {"if-absent", OnlyIfAbsent}};

constexpr size_t MaxDestinationName = 259;

// Edit distance, for "did you mean" hints.
size_t distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); j++) row[j] = j;
  for (size_t i = 1; i <= a.size(); i++) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); j++) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string suggestion(const std::string& word, const std::vector<std::string>& choices) {
  std::string best;
  size_t bestDistance = 3;
  for (const std::string& choice : choices) {
    const size_t d = distance(word, choice);
    if (d < bestDistance) best = choice, bestDistance = d;
  }
  return best.empty() ? "" : "; did you mean \"" + best + "\"?";
}

std::string listOf(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : ", ") + w;
  return out;
}

// Everything that reports a position in the manifest.
class Context {
 public:
  explicit Context(const std::string& path) : path_(path), directory_(directoryOf(path)) {}

  [[noreturn]] void fail(const toml::source_region& where, const std::string& reason) const {
    throw PackError(path_ + ":" + std::to_string(where.begin.line) + ":" + std::to_string(where.begin.column) +
                    ": " + fromReaderText(reason));
  }
  [[noreturn]] void fail(const toml::node& node, const std::string& reason) const { fail(node.source(), reason); }

  std::string resolve(const std::string& path) const { return joinPath(directory_, path); }

  // A manifest text converted to the package's code page.
  std::string ansi(const toml::node& node, const std::string& utf8, const std::string& what) const {
    try {
      return utf8ToAnsi(utf8, what);
    } catch (const PackError& e) {
      fail(node, e.what());
    }
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string directory_;
};

// Reads the keys of one table. A key outside `keys` is refused as soon as
// the reader is made, so a misspelt key is reported before anything it
// leaves missing.
class TableReader {
 public:
  TableReader(const Context& context, const toml::table& table, const std::string& name,
              std::vector<std::string> keys)
      : context_(context), table_(table), name_(name), known_(std::move(keys)) {
    for (auto&& [key, node] : table_) {
      const std::string k(key.str());
      if (std::find(known_.begin(), known_.end(), k) == known_.end())
        context_.fail(key.source(), "unknown key \"" + k + "\" in " + name_ + suggestion(k, known_));
    }
  }

  const toml::table& table() const { return table_; }
  const toml::node* find(const std::string& key) const { return table_.get(key); }

  std::string text(const std::string& key, const std::string& fallback = "") {
    const toml::node* node = find(key);
    if (!node) return fallback;
    if (!node->is_string()) context_.fail(*node, keyName(key) + " must be a text in double quotes");
    return node->as_string()->get();
  }

  // A manifest text stored in the package: converted to the code page.
  std::string ansiText(const std::string& key, const std::string& fallback = "") {
    const toml::node* node = find(key);
    const std::string value = text(key, fallback);
    return node ? context_.ansi(*node, value, keyName(key)) : utf8ToAnsi(value, keyName(key));
  }

  bool boolean(const std::string& key, bool fallback) {
    const toml::node* node = find(key);
    if (!node) return fallback;
    if (!node->is_boolean()) context_.fail(*node, keyName(key) + " must be true or false");
    return node->as_boolean()->get();
  }

  const toml::table* subtable(const std::string& key) {
    const toml::node* node = find(key);
    if (node && !node->is_table()) context_.fail(*node, keyName(key) + " must be a table");
    return node ? node->as_table() : nullptr;
  }

  std::string keyName(const std::string& key) const { return name_ + " " + key; }

 private:
  const Context& context_;
  const toml::table& table_;
  std::string name_;
  std::vector<std::string> known_;
};

uint32_t parseColour(const Context& context, const toml::node& node, const std::string& what) {
  const auto* text = node.as_string();
  const std::string s = text ? text->get() : "";
  unsigned r, g, b;
  char extra;
  if (!text || s.size() != 7 || sscanf(s.c_str(), "#%2x%2x%2x%c", &r, &g, &b, &extra) != 3 ||
      !std::all_of(s.begin() + 1, s.end(), ::isxdigit))
    context.fail(node, what + " must be a colour written \"#RRGGBB\"");
  return r | g << 8 | b << 16;
}

bool toRecord(const toml::node& node, DateTimeStamp& record) {
  const auto* value = node.as_date_time();
  if (!value || value->get().offset) return false;
  const toml::date_time& t = value->get();
  record = {t.date.year, t.date.month, t.date.day, t.time.hour, t.time.minute, t.time.second};
  return true;
}

// A destination name as the installer joins it to a directory: relative,
// backslashes between components, no component that could climb out.
std::string destinationName(const Context& context, const toml::node& where, std::string name) {
  std::replace(name.begin(), name.end(), '/', '\\');
  const std::string shown = "the destination name \"" + name + "\"";
  if (name.empty()) context.fail(where, "the destination name is empty");
  if (name.size() > MaxDestinationName)
    context.fail(where, shown + " is longer than " + std::to_string(MaxDestinationName) + " characters");
  if (name[0] == '\\' || (name.size() > 1 && name[1] == ':'))
    context.fail(where, shown + " must be relative to its destination directory");
  size_t start = 0;
  while (true) {
    const size_t end = std::min(name.find('\\', start), name.size());
    const std::string part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..")
      context.fail(where, shown + " has an empty, \".\" or \"..\" component");
    if (part.find_first_of("<>:\"|?*") != std::string::npos ||
        std::any_of(part.begin(), part.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }))
      context.fail(where, shown + " contains a character Windows does not allow in file names");
    if (part.back() == ' ' || part.back() == '.')
      context.fail(where, shown + " has a component ending in a blank or a dot");
    if (IsDeviceName(part.data(), part.size()))
      context.fail(where, shown + " has a component that Windows reserves for a device (\"" + part + "\")");
    if (end == name.size()) break;
    start = end + 1;
  }
  return name;
}

std::string stemOf(const std::string& name) {
  const size_t slash = name.find_last_of("\\/");
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  const size_t dot = base.rfind('.');
  return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

// The offset of the first byte above 0x7F outside strings and comments, or
// npos. TOML allows none there; found first, it is reported in plain words
// rather than as whatever the TOML reader makes of it.
size_t nonAsciiOutsideStrings(const std::string& text) {
  const size_t n = text.size();
  auto at = [&](size_t i) { return i < n ? text[i] : '\0'; };
  // The last character before the current one that is not a blank: a quote
  // opens a string only where a key or a value may begin. Elsewhere (as in
  // `= 0"x"`) the reader meets the quote as a stray character.
  char before = '\n';
  for (size_t i = 0; i < n; ++i) {
    const char c = at(i);
    if (static_cast<unsigned char>(c) > 0x7F) return i;
    const bool opensString = (c == '"' || c == '\'') && before != '\0' && std::strchr("\n=[,{.", before) != nullptr;
    if (c != ' ' && c != '\t') before = c;
    if (c == '#') {
      while (i < n && at(i) != '\n') ++i;
      before = '\n';
    } else if (opensString) {
      const bool multiLine = at(i + 1) == c && at(i + 2) == c;
      const bool escapes = c == '"';
      for (i += multiLine ? 3 : 1;; ++i) {
        if (i >= n || (!multiLine && at(i) == '\n')) return std::string::npos;
        if (escapes && at(i) == '\\') {
          ++i;
        } else if (at(i) == c && (!multiLine || (at(i + 1) == c && at(i + 2) == c))) {
          // A multi-line string may end in up to two more quotes of its kind.
          if (multiLine) i += 2;
          while (multiLine && at(i + 1) == c) ++i;
          break;
        }
      }
    }
  }
  return std::string::npos;
}

// The place of a byte offset; columns count characters, as the TOML reader
// counts them.
toml::source_position placeOf(const std::string& text, size_t offset) {
  toml::source_position where{1, 1};
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++where.line;
      where.column = 1;
    } else if ((text[i] & 0xC0) != 0x80) {
      ++where.column;
    }
  }
  return where;
}

// The line on which the TOML reader stops at one of its own checks: the
// first line whose end, taken as the end of the text, makes it stop there.
// Manifests are small, so reading each beginning of the text again is cheap.
uint32_t lineOfReaderFault(const std::string& text) {
  const std::string_view whole(text);
  uint32_t line = 1;
  for (size_t end = 0; end < whole.size(); ++line) {
    const size_t newline = whole.find('\n', end);
    end = newline == std::string_view::npos ? whole.size() : newline + 1;
    try {
      static_cast<void>(toml::parse(whole.substr(0, end)));
    } catch (const TomlReaderFault&) {
      return line;
    } catch (const toml::parse_error&) {
    }
  }
  return line > 1 ? line - 1 : 1;
}

class ManifestLoader {
 public:
  explicit ManifestLoader(const std::string& path) : context_(path) { manifest_.path = path; }

  // The manifest as the TOML reader is given it, after the checks that
  // come before it.
  std::string readerText() const {
    Bytes bytes;
    if (!tryReadWholeFile(context_.path(), bytes))
      throw PackError(context_.path() + ": cannot be read: " + std::strerror(errno));
    const std::string text(bytes.begin(), bytes.end());
    const auto failAt = [&](size_t offset, const std::string& reason) {
      const toml::source_position where = placeOf(text, offset);
      context_.fail(toml::source_region{where, where, nullptr}, reason);
    };
    const size_t outside = nonAsciiOutsideStrings(text);
    if (outside != std::string::npos) failAt(outside, "a character outside the ASCII range outside a string or comment");
    size_t standIn = std::string::npos;
    std::string carried = toReaderText(text, standIn);
    if (standIn != std::string::npos)
      failAt(standIn, "a character of the private use area (U+E000 to U+EBCA) the builder cannot read");
    return carried;
  }

  Manifest load() {
    toml::table root;
    const std::string text = readerText();
    try {
      root = toml::parse(text, context_.path());
    } catch (const toml::parse_error& e) {
      context_.fail(e.source(), std::string(e.description()));
    } catch (const TomlReaderFault&) {
      const uint32_t line = lineOfReaderFault(text);
      context_.fail(toml::source_region{{line, 1}, {line, 1}, nullptr},
                    "malformed TOML on this line (check its brackets, quotes, commas and values)");
    }
    restoreStrings(root);
    TableReader top(context_, root, "the manifest",
                    {"package", "product", "appearance", "texts", "hooks", "language", "file"});
    readPackageTable(top.subtable("package"));
    readProduct(top.subtable("product"), root);
    readAppearance(top.subtable("appearance"));
    readTexts(top.subtable("texts"));
    readHooks(top.subtable("hooks"));
    readLanguages(top.find("language"));
    readFiles(top.find("file"), root);
    checkFlags();
    return std::move(manifest_);
  }

 private:
  PackageHeader& header() { return manifest_.package.header; }

  void readPackageTable(const toml::table* table) {
    if (!table) return;
    TableReader t(context_, *table, "[package]",
                  {"stub", "output", "compression", "level", "disk-size", "time-zone", "stub-time"});
    if (t.find("stub")) manifest_.stubPath = context_.resolve(t.text("stub"));
    if (t.find("output")) manifest_.outputPath = context_.resolve(t.text("output"));
    if (t.find("compression")) {
      compressionGiven_ = true;
      compression_ = t.boolean("compression", true);
    }
    if (const toml::node* node = t.find("level")) {
      const std::string level = t.text("level");
      if (level == "fast") manifest_.options.level = PackLevel::Fast;
      else if (level == "best") manifest_.options.level = PackLevel::Best;
      else context_.fail(*node, "[package] level must be \"fast\" or \"best\"");
    }
    if (const toml::node* node = t.find("disk-size")) manifest_.options.diskSize = diskSize(*node);
    if (const toml::node* node = t.find("time-zone")) {
      if (!parseTimeZone(t.text("time-zone"), manifest_.timeZone))
        context_.fail(*node, "[package] time-zone must be \"UTC\", \"local\" or an offset such as \"+01:00\"");
    }
    if (const toml::node* node = t.find("stub-time")) {
      if (!toRecord(*node, header().stubTime))
        context_.fail(*node, "[package] stub-time must be a local date and time such as 2024-05-01T12:00:00");
      manifest_.stubTimeGiven = true;
    }
  }

  int64_t diskSize(const toml::node& node) {
    int64_t size = -1;
    if (const auto* number = node.as_integer()) {
      size = number->get();
    } else if (const auto* text = node.as_string()) {
      const std::string s = text->get();
      char* end = nullptr;
      const long long n = strtoll(s.c_str(), &end, 10);
      const std::string unit = end ? std::string(end) : "";
      const int64_t scale = unit == "" ? 1 : unit == "K" ? 1024 : unit == "M" ? 1024 * 1024 : -1;
      if (end != s.c_str() && scale > 0) size = n * scale;
    }
    if (size < 0 || size > MaxStoredBlockLength)
      context_.fail(node, "[package] disk-size must be a number of bytes, or a number with K or M, such as \"1440K\"; 0 means one file");
    return size;
  }

  void readProduct(const toml::table* table, const toml::table& root) {
    if (!table) context_.fail(root.source(), "the manifest has no [product] table");
    TableReader t(context_, *table, "[product]",
                  {"name", "publisher", "version", "start-menu", "install-dir", "registry-key",
                   "uninstall-subdir", "master", "flags", "extra-flags"});
    if (!t.find("name")) context_.fail(table->source(), "[product] needs a name");
    header().defaultProductName = t.ansiText("name");
    if (header().defaultProductName.empty()) context_.fail(*t.find("name"), "[product] name is empty");
    header().publisher = t.ansiText("publisher");
    header().displayVersion = t.ansiText("version");
    header().productStartMenu = t.ansiText("start-menu");
    header().defaultInstallDir = t.ansiText("install-dir");
    header().productRegistry = t.ansiText("registry-key");
    header().uninstallSubdir = t.ansiText("uninstall-subdir");
    if (t.find("master")) {
      header().masterProduct = t.ansiText("master");
      header().installFlags |= RequiresMaster;
    }
    if (const toml::node* flags = t.find("flags")) readFlagNames(*flags);
    if (const toml::node* extra = t.find("extra-flags")) readExtraFlags(*extra);
  }

  void readFlagNames(const toml::node& node) {
    const toml::array* list = node.as_array();
    if (!list) context_.fail(node, "[product] flags must be a list of flag names, such as [\"RegisterUninstall\"]");
    std::vector<std::string> names;
    for (const InstallFlagName& f : InstallFlagNames) names.push_back(f.name);
    for (const toml::node& item : *list) {
      const std::string name = item.is_string() ? item.as_string()->get() : "";
      const auto found = std::find(names.begin(), names.end(), name);
      if (found == names.end())
        context_.fail(item, (item.is_string() ? "unknown flag \"" + name + "\"" : std::string("a flag name must be a text")) +
                                suggestion(name, names) + " (the flags are " + listOf(names) + ")");
      const uint32_t bit = InstallFlagNames[found - names.begin()].bit;
      header().installFlags |= bit;
      flagNodes_[bit] = &item;
    }
  }

  void readExtraFlags(const toml::node& node) {
    const auto* number = node.as_integer();
    if (!number || number->get() < 0 || number->get() > 0xFFFFFFFFll)
      context_.fail(node, "[product] extra-flags must be a number from 0 to 0xFFFFFFFF");
    const uint32_t bits = static_cast<uint32_t>(number->get());
    for (const InstallFlagName& f : InstallFlagNames) {
      if (bits & f.bit)
        context_.fail(node, std::string("[product] extra-flags holds the bit of ") + f.name +
                                "; list it by name in flags");
    }
    header().installFlags |= bits;
  }

  void readAppearance(const toml::table* table) {
    if (!table) return;
    TableReader t(context_, *table, "[appearance]", {"title-color", "top-color", "bottom-color", "picture"});
    if (const toml::node* n = t.find("title-color")) header().titleColor = parseColour(context_, *n, "[appearance] title-color");
    const toml::node* top = t.find("top-color");
    const toml::node* bottom = t.find("bottom-color");
    if (top || bottom) {
      if (!top || !bottom)
        context_.fail(top ? *top : *bottom, "[appearance] needs both top-color and bottom-color, or neither");
      header().topColor = parseColour(context_, *top, "[appearance] top-color");
      header().bottomColor = parseColour(context_, *bottom, "[appearance] bottom-color");
      header().installFlags |= CustomColors;
      coloursGiven_ = true;
    }
    if (const toml::node* n = t.find("picture")) {
      const std::string path = context_.resolve(t.text("picture"));
      try {
        header().picture = pictureFromBitmapFile(readWholeFile(path), path);
      } catch (const PackError& e) {
        context_.fail(*n, e.what());
      }
    }
  }

  // A text file's content for the package; line ends as Windows shows them.
  std::string textFile(TableReader& t, const std::string& key, bool crlf) {
    const toml::node* node = t.find(key);
    const std::string path = context_.resolve(t.text(key));
    try {
      const Bytes bytes = readWholeFile(path);
      const std::string text = textFileToAnsi(std::string(bytes.begin(), bytes.end()), path);
      return crlf ? withCrLf(text) : text;
    } catch (const PackError& e) {
      context_.fail(*node, e.what());
    }
  }

  void readTexts(const toml::table* table) {
    if (!table) return;
    TableReader t(context_, *table, "[texts]", {"license", "readme"});
    if (t.find("license")) header().licenseText = textFile(t, "license", true);
    if (t.find("readme")) header().readmeText = textFile(t, "readme", true);
  }

  void readHooks(const toml::table* table) {
    if (!table) return;
    TableReader t(context_, *table, "[hooks]",
                  {"pre-install", "post-install", "final", "before-uninstall", "after-uninstall",
                   "pre-install-file", "post-install-file", "final-file", "before-uninstall-file",
                   "after-uninstall-file"});
    const std::pair<const char*, std::string*> hooks[] = {
        {"pre-install", &header().preInstallBatch},     {"post-install", &header().postInstallBatch},
        {"final", &header().finalBatch},                {"before-uninstall", &header().uninstallBatch1},
        {"after-uninstall", &header().uninstallBatch2},
    };
    for (const auto& [key, field] : hooks) {
      const std::string fileKey = std::string(key) + "-file";
      const toml::node* inline_ = t.find(key);
      const toml::node* file = t.find(fileKey);
      if (inline_ && file) context_.fail(*file, "[hooks] has both " + std::string(key) + " and " + fileKey);
      if (inline_) *field = t.ansiText(key);
      if (file) *field = textFile(t, fileKey, false);
    }
  }

  void readLanguages(const toml::node* node) {
    if (!node) {
      addLanguage(*findBuiltinLanguage("english"), nullptr, nullptr);
      return;
    }
    const toml::array* list = node->as_array();
    if (!list || !list->is_array_of_tables() || list->empty())
      context_.fail(*node, "language must be written as one or more [[language]] tables");
    if (list->size() > static_cast<size_t>(MaxLanguageCount))
      context_.fail(*node, "a package has at most " + std::to_string(MaxLanguageCount) + " languages");
    for (const toml::node& item : *list) {
      const toml::table& table = *item.as_table();
      TableReader t(context_, table, "[[language]]", {"name", "base", "messages"});
      if (!t.find("name")) context_.fail(table.source(), "[[language]] needs a name");
      const std::string name = t.text("name");
      const BuiltinLanguage* base = findBuiltinLanguage(name);
      if (const toml::node* baseNode = t.find("base")) {
        base = findBuiltinLanguage(t.text("base"));
        if (!base) context_.fail(*baseNode, "[[language]] base must be \"english\" or \"german\"");
      }
      const toml::table* messages = t.subtable("messages");
      const std::string ansiName = t.ansiText("name");
      if (ansiName.empty()) context_.fail(*t.find("name"), "[[language]] name is empty");
      addLanguage(base ? *base : BuiltinLanguage{"", "", nullptr}, &table, messages);
      header().languages.back() = ansiName;
    }
  }

  // Adds one language: the base texts, then the overrides of the manifest.
  void addLanguage(const BuiltinLanguage& base, const toml::table* table, const toml::table* overrides) {
    PackageHeader& h = header();
    h.languages.push_back(base.name);
    h.messages.resize(StandardMessageCount);
    std::vector<bool> given(StandardMessageCount, base.texts != nullptr);
    std::vector<std::string> overriddenBy(StandardMessageCount);
    for (int n = 0; n < StandardMessageCount; n++)
      h.messages[n].push_back(base.texts ? utf8ToAnsi(base.texts[n], "a built-in message") : "");
    if (overrides) {
      for (auto&& [key, value] : *overrides) {
        const std::string k(key.str());
        const int number = messageNumberForKey(k);
        if (number < 0) {
          std::vector<std::string> keys;
          for (const MessageRole& role : messageRoles()) keys.push_back(role.key);
          context_.fail(key.source(), "unknown message \"" + k + "\": use a number from 0 to " +
                                          std::to_string(StandardMessageCount - 1) + " or a role name" +
                                          suggestion(k, keys));
        }
        if (!value.is_string()) context_.fail(value, "message " + k + " must be a text in double quotes");
        if (!overriddenBy[number].empty())
          context_.fail(key.source(), "message " + std::to_string(number) + " is given twice, as \"" +
                                          overriddenBy[number] + "\" and as \"" + k + "\"");
        overriddenBy[number] = k;
        const std::string text = context_.ansi(value, value.as_string()->get(), "message " + k);
        const std::string reason = checkMessageText(number, text);
        if (!reason.empty()) context_.fail(value, reason);
        h.messages[number].back() = text;
        given[number] = true;
      }
    }
    std::string missing;
    for (int n = 0; n < StandardMessageCount; n++) {
      if (!given[n]) missing += (missing.empty() ? "" : ", ") + std::to_string(n);
    }
    if (!missing.empty())
      context_.fail(table->source(), "this language has no base (base = \"english\" or \"german\") and lacks the messages " + missing);
  }

  void readFiles(const toml::node* node, const toml::table& root) {
    if (!node) context_.fail(root.source(), "the manifest names no files: add at least one [[file]] table");
    const toml::array* list = node->as_array();
    if (!list || !list->is_array_of_tables() || list->empty())
      context_.fail(*node, "file must be written as one or more [[file]] tables");
    for (const toml::node& item : *list) readFile(*item.as_table());
  }

  void readFile(const toml::table& table) {
    TableReader t(context_, table, "[[file]]",
                  {"source", "to", "kind", "when", "desktop-shortcut", "start-menu-shortcut",
                   "shortcut-name", "font-name", "version", "time"});
    const toml::node* sourceNode = t.find("source");
    if (!sourceNode) context_.fail(table.source(), "[[file]] needs a source");
    const std::string source = t.text("source");
    const toml::node* toNode = t.find("to");
    std::string to = t.text("to");
    const bool toFolder = !to.empty() && (to.back() == '/' || to.back() == '\\');
    while (!to.empty() && (to.back() == '/' || to.back() == '\\')) to.pop_back();

    PackageFile file;
    file.kind = InstallDirFile;
    if (const toml::node* n = t.find("kind")) {
      file.kind = kindByName(*n, t.text("kind"));
      if (file.kind == SharedFile && !firstSharedKind_) firstSharedKind_ = n;
    }
    if (const toml::node* n = t.find("when")) file.options |= ruleByName(*n, t.text("when"));
    const toml::node* desktop = t.find("desktop-shortcut");
    const toml::node* startMenu = t.find("start-menu-shortcut");
    const toml::node* shortcutName = t.find("shortcut-name");
    const toml::node* fontName = t.find("font-name");
    const toml::node* version = t.find("version");
    const toml::node* time = t.find("time");
    if (t.boolean("desktop-shortcut", false)) file.options |= DesktopShortcutOption;
    if (t.boolean("start-menu-shortcut", false)) file.options |= StartMenuShortcutOption;
    const bool wantsShortcut = file.options & (DesktopShortcutOption | StartMenuShortcutOption);
    refuseUnless(desktop, kindTakesShortcuts(file.kind), "desktop-shortcut applies to app and startup files only");
    refuseUnless(startMenu, kindTakesShortcuts(file.kind), "start-menu-shortcut applies to app and startup files only");
    refuseUnless(shortcutName, wantsShortcut, "shortcut-name needs desktop-shortcut or start-menu-shortcut");
    refuseUnless(fontName, file.kind == FontFile, "font-name applies to font files only");
    refuseUnless(version, file.kind == SystemFile, "version applies to system files only");
    if (file.kind == FontFile && !fontName)
      context_.fail(table.source(), "a font needs its font-name (the uninstaller finds it by that name)");

    const std::vector<GlobMatch> sources = expandSource(*sourceNode, source);
    const bool single = sources.size() == 1 && !isDirectory(context_.resolve(source)) && !hasWildcard(source);
    for (const toml::node* n : {shortcutName, fontName, version}) {
      if (n && sources.size() > 1)
        context_.fail(*n, "the source matches " + std::to_string(sources.size()) +
                              " files; give this file its own [[file]] table");
    }
    for (const GlobMatch& match : sources) {
      PackageFile entry = file;
      const std::string inFolder = to.empty() ? match.relative : to + "/" + match.relative;
      const std::string name = single && !toFolder && !to.empty() ? to : inFolder;
      entry.name = destinationName(context_, toNode ? *toNode : *sourceNode, context_.ansi(*sourceNode, name, "the destination name"));
      try {
        entry.data = readWholeFile(match.path);
      } catch (const PackError& e) {
        context_.fail(*sourceNode, e.what());
      }
      entry.time = fileTime(time, match.path);
      entry.detail = detailText(entry, t, shortcutName, fontName, version);
      addFile(std::move(entry), *sourceNode, match.path);
    }
  }

  // The file name of a source path, separated as the host separates paths
  // (on Windows a backslash too, so "files\\ReadMe.txt" installs as
  // "ReadMe.txt" and not as a name with the source folder in it).
  static std::string stemAndExtension(const std::string& path) {
    return std::filesystem::path(path).filename().string();
  }

  std::vector<GlobMatch> expandSource(const toml::node& node, const std::string& source) {
    if (source.empty()) context_.fail(node, "[[file]] source is empty");
    const std::string path = context_.resolve(source);
    if (!hasWildcard(source) && !isDirectory(path) && !isRegularFile(path))
      context_.fail(node, "the source \"" + source + "\" does not exist" +
                              (path == source ? std::string() : " (looked for " + path + ")"));
    std::vector<GlobMatch> found;
    std::string error;
    try {
      if (hasWildcard(source)) {
        found = expandGlob(path);
      } else if (isDirectory(path)) {
        for (const std::string& relative : listFilesBelow(path)) found.push_back({joinPath(path, relative), relative});
      } else {
        found.push_back({path, stemAndExtension(path)});
      }
    } catch (const PackError& e) {
      error = e.what();
    }
    if (!error.empty()) context_.fail(node, error);
    if (found.empty()) context_.fail(node, "the source \"" + source + "\" matches no files");
    return found;
  }

  DateTimeStamp fileTime(const toml::node* node, const std::string& path) {
    DateTimeStamp record = {};
    if (!node) return recordFromUnixTime(fileModificationTime(path), manifest_.timeZone);
    if (node->is_string() && node->as_string()->get() == "none") return record;
    if (!toRecord(*node, record))
      context_.fail(*node, "[[file]] time must be a local date and time such as 2024-05-01T12:00:00, or \"none\"");
    return record;
  }

  std::string detailText(const PackageFile& file, TableReader& t, const toml::node* shortcutName,
                         const toml::node* fontName, const toml::node* version) {
    if (file.options & (DesktopShortcutOption | StartMenuShortcutOption)) {
      const std::string name = shortcutName ? t.ansiText("shortcut-name") : stemOf(file.name);
      const toml::node& where = shortcutName ? *shortcutName : t.table();
      if (name.empty() || name.find_first_of("\\/:*?\"<>|") != std::string::npos)
        context_.fail(where, "the shortcut name \"" + name + "\" is empty or holds a character Windows does not allow in file names");
      return name;
    }
    if (file.kind == FontFile) {
      const std::string name = t.ansiText("font-name");
      if (name.empty() || name.find('"') != std::string::npos)
        context_.fail(*fontName, "the font name is empty or holds a double quote, which the uninstaller cannot read back");
      return name;
    }
    if (file.kind == SystemFile) return comparableVersion(version ? t.ansiText("version") : fileVersionText(file.data));
    return "";
  }

  void addFile(PackageFile file, const toml::node& where, const std::string& path) {
    std::string key = std::to_string(file.kind == StartupFile ? InstallDirFile : file.kind) + ":" + file.name;
    std::transform(key.begin(), key.end(), key.begin(), ::tolower);
    const auto [it, fresh] = destinations_.emplace(key, path);
    if (!fresh)
      context_.fail(where, "\"" + path + "\" and \"" + it->second + "\" would both be installed as \"" + file.name + "\"");
    manifest_.package.files.push_back(std::move(file));
  }

  int32_t kindByName(const toml::node& node, const std::string& name) {
    std::vector<std::string> names;
    for (const KindName& k : KindNames) {
      if (name == k.name) return k.kind;
      names.push_back(k.name);
    }
    context_.fail(node, "unknown kind \"" + name + "\"; the kinds are " + listOf(names));
  }

  int32_t ruleByName(const toml::node& node, const std::string& name) {
    std::vector<std::string> names;
    for (const RuleName& r : RuleNames) {
      if (name == r.name) return r.rule;
      names.push_back(r.name);
    }
    context_.fail(node, "unknown rule \"" + name + "\"; when is one of " + listOf(names));
  }

  void refuseUnless(const toml::node* node, bool allowed, const std::string& reason) {
    if (node && !allowed) context_.fail(*node, reason);
  }

  // Flags that only make sense together with other keys.
  void checkFlags() {
    const uint32_t flags = header().installFlags;
    if (compressionGiven_ && !compression_ && (flags & PackedPayload))
      context_.fail(*flagNodes_.at(PackedPayload), "PackedPayload is set but [package] compression is false");
    if (!compressionGiven_ || compression_) header().installFlags |= PackedPayload;
    if ((flags & CustomColors) && !coloursGiven_)
      context_.fail(*flagNodes_.at(CustomColors), "CustomColors needs [appearance] top-color and bottom-color");
    if ((flags & BackgroundPicture) && header().picture.empty())
      context_.fail(*flagNodes_.at(BackgroundPicture), "BackgroundPicture needs [appearance] picture");
    // The shared folder and the counts of shared files belong to the
    // uninstall registration; without it shared files have no folder.
    if (firstSharedKind_ && !(flags & RegisterUninstall))
      context_.fail(*firstSharedKind_, "shared files need the flag RegisterUninstall (their folder and counts "
                                       "belong to the uninstall registration)");
  }

  Context context_;
  Manifest manifest_;
  bool compressionGiven_ = false;
  bool compression_ = true;
  bool coloursGiven_ = false;
  std::map<uint32_t, const toml::node*> flagNodes_;
  const toml::node* firstSharedKind_ = nullptr;
  std::map<std::string, std::string> destinations_;
};

}  // namespace

Manifest LoadManifest(const std::string& path) { return ManifestLoader(path).load(); }
