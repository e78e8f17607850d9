// The tessapack command line: build, info, list, verify, extract and their
// help. Runs in-process so tests can call it with their own streams.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit statuses.
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;  // a build error, a failed check, an extraction error
constexpr int ExitUsage = 2;    // a bad command line

// args excludes the program name. A build that names no stub takes the
// installer program installed with the running tessapack.
int RunTessapack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The same, as if tessapack were the program at programPath (tests lay out
// installed trees this way; "" stands for none).
int RunTessapack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 const std::string& programPath);
