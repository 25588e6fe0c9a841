// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every test binary: before anything runs, the suite is cut off from the machine's
// print and sound servers (sockets never made) and the user's folders (a private folder, gone at
// the end), so that a suite run by hand is as harmless as one run by CTest.

#include <QtGlobal>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string root; // the binary's private folder

void isolate()
{
    root = std::filesystem::temp_directory_path() / "cuaderno-test-XXXXXX";
    if (::mkdtemp(root.data()) == nullptr) {
        std::abort(); // never run against the user's own folders
    }
    std::atexit([] {
        std::error_code ignored; // a leftover must not turn a passed suite into a crash
        std::filesystem::remove_all(root, ignored);
    });
    for (const auto& [name, folder] :
         {std::pair("HOME", ""), std::pair("XDG_CONFIG_HOME", "/.config"),
          std::pair("XDG_DATA_HOME", "/.local/share"), std::pair("XDG_CACHE_HOME", "/.cache"),
          std::pair("XDG_STATE_HOME", "/.local/state"), std::pair("XDG_RUNTIME_DIR", "/.run"),
          std::pair("CUPS_SERVERROOT", "/.cups")}) {
        std::filesystem::create_directories(root + "/home" + folder);
        ::setenv(name, (root + "/home" + folder).c_str(), 1);
    }
    std::filesystem::permissions(root + "/home/.run", std::filesystem::perms::owner_all);
    ::setenv("CUPS_SERVER", (root + "/no-print-server").c_str(), 1);
    ::setenv("PULSE_SERVER", ("unix:" + root + "/no-sound-server").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

} // namespace

Q_CONSTRUCTOR_FUNCTION(isolate)
