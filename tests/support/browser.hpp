// A page as a real browser lays it out: headless Chromium runs a measuring
// script added to the page and the test reads what it found, one finding a line.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.hpp"

namespace zentara::testing {

inline std::string findChromium() {
    for (const char* name : {"chromium", "chromium-browser"}) {
        const std::string command = std::string("command -v ") + name + " > chromium.path 2> /dev/null";
        if (std::system(command.c_str()) == 0) {
            std::string path = readFile("chromium.path");
            while (!path.empty() && path.back() == '\n') path.pop_back();
            std::filesystem::remove("chromium.path");
            return path;
        }
    }
    std::filesystem::remove("chromium.path");
    return {};
}

// Lays out `page` with `script` (a <script> element that fills <pre
// id="measured">) in a window `width` pixels wide. Returns false, with the
// browser's words in `problem`, when it could not.
inline bool measureInChromium(const std::string& chromium, std::string page, const std::string& script, int width,
                              std::vector<std::string>& found, std::string& problem) {
    page.insert(page.rfind("</body>"), script);
    writeFile("measured.html", page);
    // Everything the browser keeps stays in the test's directory.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::create_directories("home");
    const std::string command = "HOME=" + (here / "home").string() + " XDG_CONFIG_HOME=" + (here / "home").string() +
                                " XDG_CACHE_HOME=" + (here / "home").string() + " timeout 120 " + chromium +
                                " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                                " --disable-background-networking --disable-component-update --disable-sync"
                                " --user-data-dir=" + (here / "profile").string() + " --window-size=" +
                                std::to_string(width) + ",2400 --dump-dom file://" + (here / "measured.html").string() +
                                " > dom.html 2> chromium.err";
    const int raw = std::system(command.c_str());
    if (!WIFEXITED(raw) || WEXITSTATUS(raw) != 0) {
        problem = readFile("chromium.err");
        return false;
    }
    const std::string dom = readFile("dom.html");
    const std::size_t at = dom.find("<pre id=\"measured\">");
    if (at == std::string::npos) {
        problem = dom.substr(0, 2000) + readFile("chromium.err");
        return false;
    }
    found.clear();
    std::istringstream lines(dom.substr(at + 19, dom.find("</pre>", at) - at - 19));
    for (std::string line; std::getline(lines, line);) found.push_back(line);
    return true;
}

// The findings that begin with `prefix`, without it.
inline std::vector<std::string> withPrefix(const std::vector<std::string>& found, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& f : found)
        if (f.starts_with(prefix)) out.push_back(f.substr(prefix.size()));
    return out;
}

}  // namespace zentara::testing
