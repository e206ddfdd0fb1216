// helpgen: writes the online help's topic pages from the setup library's
// attribute table (keywords, short keywords, defaults, choices, lengths),
// the resource library's dialog templates (which controls a page has and
// their labels) and the hand-written texts of topics.txt.
//
// Every input control of a page must have a text and every text must name
// a control of its page, so the help can't fall behind the dialog; the
// build fails instead.
//
// usage: helpgen RESOURCE.rc TOPICS.txt OUTPUT-DIRECTORY
#include "helpgen.h"
#include <cstdio>
#include <fstream>
#include <sstream>

using namespace helpgen;

namespace {

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: helpgen RESOURCE.rc TOPICS.txt OUTPUT-DIRECTORY\n");
        return 2;
    }
    std::string rc, topicsText, error;
    if (!readResourceScript(argv[1], &rc) || !readTextFile(argv[2], &topicsText)) {
        std::fprintf(stderr, "helpgen: can't read %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    std::vector<Topic> topics;
    if (!parseTopics(topicsText, &topics, &error) || !resolveTopics(rc, &topics, &error)) {
        std::fprintf(stderr, "helpgen: %s\n", error.c_str());
        return 1;
    }
    std::string dir = argv[3];
    for (const Topic& topic : topics) {
        if (!writeFile(dir + "/" + topic.name + ".htm", topicPage(topic))) {
            std::fprintf(stderr, "helpgen: can't write %s/%s.htm\n", dir.c_str(),
                         topic.name.c_str());
            return 1;
        }
    }
    if (!writeFile(dir + "/topics.js", topicScript(topics))) {
        std::fprintf(stderr, "helpgen: can't write %s/topics.js\n", dir.c_str());
        return 1;
    }
    return 0;
}
