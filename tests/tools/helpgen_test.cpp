// helpgen: reading dialog templates and topic texts, the checks that keep
// the help in step with the dialog and the attribute table, and the pages
// it writes for the shipped resource library.
#include "helpgen.h"
#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include <string>

using namespace helpgen;

namespace {

const char pageTemplate[] = "// A page\n"
                            "7 DIALOGEX 0, 0, 100, 100\n"
                            "STYLE PAGE_STYLE\n"
                            "CAPTION \"Tests \"\"page\"\"\"\n"
                            "BEGIN\n"
                            "    LTEXT \"&Database name:\", -1, 8, 10, 72, 8\n"
                            "    EDITTEXT 300, 84, 8, 168, 12, ES_AUTOHSCROLL\n"
                            "    // a comment line\n"
                            "    AUTOCHECKBOX \"Enable &insert cursors\", 318, 8, 70, 200, 10\n"
                            "    PUSHBUTTON \"&Translator...\", 310, 192, 176, 60, 14\n"
                            "    EDITTEXT 999, 1, 1, 1, 1\n"
                            "END\n";

TEST(HelpgenTemplate, ReadsCaptionControlsAndLabels) {
    Dialog dialog;
    std::string error;
    ASSERT_TRUE(parseDialog(pageTemplate, 7, &dialog, &error)) << error;
    EXPECT_EQ("Tests \"page\"", dialog.caption);
    ASSERT_EQ(5u, dialog.controls.size());
    EXPECT_EQ("EDITTEXT", dialog.controls[1].kind);
    EXPECT_EQ(300, dialog.controls[1].id);
    EXPECT_EQ(-1, dialog.controls[0].id);
    // An edit box is named by the text before it, a check box by its own;
    // mnemonics, the colon and a button's ellipsis go.
    EXPECT_EQ("Database name", controlLabel(dialog, 1));
    EXPECT_EQ("Enable insert cursors", controlLabel(dialog, 2));
    EXPECT_EQ("Translator", controlLabel(dialog, 3));
    EXPECT_EQ("", controlLabel(dialog, 4));

    EXPECT_FALSE(parseDialog(pageTemplate, 8, &dialog, &error));
    EXPECT_NE(std::string::npos, error.find("no dialog template 8"));
    EXPECT_FALSE(
        parseDialog("7 DIALOGEX 0,0,1,1\nBEGIN\n  EDITTEXT x, 1\nEND\n", 7, &dialog, &error));
    EXPECT_FALSE(parseDialog("7 DIALOGEX 0,0,1,1\nBEGIN\n  EDITTEXT 1, 1\n", 7, &dialog, &error));
}

TEST(HelpgenTopics, ParagraphsFieldsAndComments) {
    std::vector<Topic> topics;
    std::string error;
    ASSERT_TRUE(parseTopics("# comment\ntopic t 7 Title words\nFirst line\ncontinued.\n\nSecond.\n"
                            "field 300\nA field.\nfield 999 ExtraKey\nOther.\n",
                            &topics, &error))
        << error;
    ASSERT_EQ(1u, topics.size());
    EXPECT_EQ("Title words", topics[0].title);
    EXPECT_EQ((std::vector<std::string>{"First line continued.", "Second."}), topics[0].paragraphs);
    ASSERT_EQ(2u, topics[0].fields.size());
    EXPECT_EQ("ExtraKey", topics[0].fields[1].keyword);

    for (const char* bad : {"text before any topic\n", "field 300\n", "topic t\n", "topic t 7\n",
                            "topic t 7 T\nfield x\n", ""}) {
        EXPECT_FALSE(parseTopics(bad, &topics, &error)) << bad;
    }
}

// The texts of a topic for template 7 with the given fields.
std::string topicFor(const std::string& fields, const char* title = "Tests \"page\"") {
    return std::string("topic t 7 ") + title + "\nAbout.\n" + fields;
}

TEST(HelpgenTopics, EveryInputControlIsDescribedAndOnlyControlsOfThePage) {
    const std::string complete = "field 300\nDb.\nfield 318\nEic.\nfield 999 Other\nX.\n";
    struct Case {
        std::string text;
        const char* error; // "" when the topic resolves
    } cases[] = {
        {topicFor(complete), ""},
        {topicFor(complete + "field 310 Translation\nT.\n"), ""},
        {topicFor("field 300\nDb.\nfield 999 Other\nX.\n"), "control 318 of the page has no text"},
        {topicFor(complete + "field 401 DSN\nName.\n"), "not in dialog template 7"},
        {topicFor(complete + "field 318\nAgain.\n"), "described twice"},
        {topicFor("field 300 Database\nDb.\nfield 318\nE.\nfield 999 O\nX.\n"),
         "its keyword comes from the attribute table"},
        {topicFor("field 300\nDb.\nfield 318\nE.\nfield 999\nX.\n"), "name its keyword"},
        {topicFor("field 300\nfield 318\nE.\nfield 999 O\nX.\n"), "no text"},
        {topicFor(complete, "Another title"), "differs from the page's caption"},
    };
    for (const Case& c : cases) {
        std::vector<Topic> topics;
        std::string error;
        ASSERT_TRUE(parseTopics(c.text, &topics, &error)) << error;
        bool resolved = resolveTopics(pageTemplate, &topics, &error);
        if (!*c.error) {
            EXPECT_TRUE(resolved) << c.text << error;
        } else {
            EXPECT_FALSE(resolved) << c.text;
            EXPECT_NE(std::string::npos, error.find(c.error)) << error;
        }
    }
}

TEST(HelpgenPages, FactsComeFromTheAttributeTable) {
    std::vector<Topic> topics;
    std::string error;
    ASSERT_TRUE(parseTopics(topicFor("field 999 Other\nX <y>.\nfield 318\nE.\nfield 300\nD.\n"),
                            &topics, &error));
    ASSERT_TRUE(resolveTopics(pageTemplate, &topics, &error)) << error;
    // In template order, whatever the order of the texts.
    EXPECT_EQ(300, topics[0].fields[0].controlId);
    std::string page = topicPage(topics[0]);
    EXPECT_NE(std::string::npos, page.find("<h1>Tests &quot;page&quot;</h1>"));
    EXPECT_NE(std::string::npos, page.find("<dt id=\"Database\">Database name</dt>"));
    EXPECT_NE(std::string::npos, page.find("<code>DB</code>"));
    EXPECT_NE(std::string::npos, page.find("80 characters"));
    EXPECT_NE(std::string::npos, page.find("<dt id=\"EnableInsertCursors\">"));
    EXPECT_NE(std::string::npos, page.find("cleared (<code>0</code>)"));
    EXPECT_NE(std::string::npos, page.find("<p>X &lt;y&gt;.</p>"));
    std::string script = topicScript(topics);
    EXPECT_NE(std::string::npos, script.find("\"title\": \"Tests \\\"page\\\"\""));
    EXPECT_NE(std::string::npos, script.find("\"keyword\": \"EnableInsertCursors\""));
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The shipped texts against the shipped templates: every row of the
// attribute table that a page shows is described on that page.
TEST(HelpgenShipped, EveryTableRowOfAPageIsDescribed) {
    std::string rc;
    ASSERT_TRUE(readResourceScript(RV_SOURCE_DIR "/src/resources/qzifx06R.rc", &rc));
    std::string text = fileText(RV_SOURCE_DIR "/src/help/pages/topics.txt");
    ASSERT_FALSE(rc.empty());
    std::vector<Topic> topics;
    std::string error;
    ASSERT_TRUE(parseTopics(text, &topics, &error)) << error;
    ASSERT_TRUE(resolveTopics(rc, &topics, &error)) << error;
    for (uint16_t i = 0; i < attributeTableCount; ++i) {
        bool described = false;
        for (const Topic& topic : topics)
            for (const Field& field : topic.fields)
                described = described || field.row == &attributeTable[i];
        EXPECT_TRUE(described) << attributeTable[i].keyword;
    }
}

} // namespace
