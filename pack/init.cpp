#include "pack/init.h"

#include <filesystem>
#include <vector>

#include "pack/file_io.h"

namespace fs = std::filesystem;

namespace {

// The manifest; every "@NAME@" becomes the product's name as a TOML string
// body, every "@FOLDER@" the name as it is.
constexpr char ManifestTemplate[] = R"(# The installation package of @FOLDER@, written by `tessapack init`.
# Build it in this folder with
#
#   tessapack build setup.toml -o setup.exe
#
# and try it under Windows or Wine. Every key is explained in
# docs/manifest.md, every flag in docs/flags.md; lines starting with "#" are
# settings you may switch on.

[package]
compression = true
level = "best"                      # "fast" builds sooner while you try things out
# disk-size = "1440K"               # split into setup.exe, Disk2.SEA, ... of this size

[product]
name = "@NAME@"                     # in every dialog and in Add/Remove Programs
publisher = "Your Company"          # shared files go to Common Files\<publisher>
version = "1.0"
install-dir = "@NAME@"              # below Program Files; the user may choose another
uninstall-subdir = "Uninstall"      # Uninstall.EXE, Uninstall.DAT and Install.LOG
flags = ["RegisterUninstall", "AskDirectory", "VerifyChecksums"]
# A package that asks nothing, as administrators deploy it:
# flags = ["RegisterUninstall", "ForceAutomatic", "QuietUninstall", "AlwaysWriteLog"]

[appearance]
title-color = "#FFFFFF"
top-color = "#1F3F7F"               # a gradient from the top colour to the bottom one
bottom-color = "#000010"
# picture = "background.bmp"        # or a picture (BMP) over the whole screen

[texts]
license = "files/License.txt"       # the licence dialog; drop the line for none
readme = "files/ReadMe.txt"         # the read-me dialog; drop the line for none

# Batch hooks, run by the command interpreter with %InstallDir% and others set:
# [hooks]
# post-install = '''
# echo Installed into %InstallDir%> "%InstallDir%\Installed.txt"
# '''
# before-uninstall = '''
# del "%InstallDir%\Installed.txt"
# '''

[[language]]
name = "English"
[language.messages]
display-title = "@NAME@"            # the title over the background

# A second language with the built-in German texts:
# [[language]]
# name = "Deutsch"

# Everything below files/app goes into the installation directory, in its
# folders: put your programs, DLLs and documents there.
[[file]]
source = "files/app"

[[file]]
source = "files/ReadMe.txt"
start-menu-shortcut = true
shortcut-name = "@NAME@ Read Me"

# A program with shortcuts on the desktop and in the start menu:
# [[file]]
# source = "files/app/@FOLDER@.exe"
# desktop-shortcut = true
# start-menu-shortcut = true

# A DLL your products share, counted and kept until the last one is removed:
# [[file]]
# source = "shared/Common.dll"
# kind = "shared"
)";

constexpr char ReadMeTemplate[] =
    "@FOLDER@\r\n"
    "\r\n"
    "What your users should know before they install @FOLDER@. The installer\r\n"
    "shows this text in its read-me dialog and installs it with the product.\r\n";

constexpr char LicenceTemplate[] =
    "@FOLDER@ LICENCE\r\n"
    "\r\n"
    "Your licence terms. The installer shows them before it installs\r\n"
    "anything, and goes on only when the user accepts them.\r\n";

constexpr char AppTemplate[] =
    "Replace the files in this folder with your product's programs, DLLs\r\n"
    "and documents. The installer copies everything here, in its folders,\r\n"
    "into the installation directory.\r\n";

// Characters Windows refuses in a folder name.
bool isValidFolderName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') return false;
  for (unsigned char c : name) {
    if (c < 0x20 || std::string("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string::npos) return false;
  }
  return true;
}

// The body of a TOML basic string that reads back as `text`.
std::string tomlStringBody(const std::string& text) {
  std::string body;
  for (char c : text) {
    if (c == '"' || c == '\\') body += '\\';
    body += c;
  }
  return body;
}

std::string filled(const std::string& text, const std::string& name) {
  std::string result = text;
  for (const auto& [marker, value] : {std::pair<std::string, std::string>{"@NAME@", tomlStringBody(name)},
                                      std::pair<std::string, std::string>{"@FOLDER@", name}}) {
    for (size_t at = result.find(marker); at != std::string::npos; at = result.find(marker, at + value.size()))
      result.replace(at, marker.size(), value);
  }
  return result;
}

// The product's name: the directory's last component.
std::string productNameOf(const std::string& directory) {
  fs::path path = fs::absolute(directory).lexically_normal();
  if (!path.has_filename()) path = path.parent_path();  // "dir/" and "." end in a separator
  return path.filename().string();
}

}  // namespace

bool WriteStarterProject(const std::string& directory, std::ostream& out, std::ostream& err) {
  const std::string name = productNameOf(directory);
  if (!isValidFolderName(name)) {
    err << "tessapack init: the product is named after the folder, and '" << name
        << "' cannot be a Windows folder name\n";
    return false;
  }
  std::error_code error;
  if (fs::exists(directory, error) && !(fs::is_directory(directory, error) && fs::is_empty(directory, error))) {
    err << "tessapack init: " << directory << " exists and is not an empty folder; nothing was written\n";
    return false;
  }
  const std::vector<std::pair<std::string, std::string>> files = {
      {StarterManifestName, ManifestTemplate},
      {"files/ReadMe.txt", ReadMeTemplate},
      {"files/License.txt", LicenceTemplate},
      {"files/app/Put your files here.txt", AppTemplate},
  };
  try {
    for (const auto& [relative, text] : files) {
      const fs::path path = fs::path(directory) / relative;
      fs::create_directories(path.parent_path());
      const std::string content = filled(text, name);
      writeWholeFile(path.string(), Bytes(content.begin(), content.end()));
    }
  } catch (const std::exception& e) {
    err << "tessapack init: " << e.what() << "\n";
    return false;
  }
  out << "Wrote a starter package for \"" << name << "\" into " << directory << ":\n";
  for (const auto& file : files) out << "  " << file.first << "\n";
  out << "Build it with: tessapack build " << (fs::path(directory) / StarterManifestName).string()
      << " -o setup.exe\n";
  return true;
}
