// The online help's topic pages, made from the attribute table, the dialog
// templates of the resource library and the texts of topics.txt.
#pragma once
#include "setup/attribute_table.h"
#include <string>
#include <vector>

namespace helpgen {

// One control of a dialog template, in template order.
struct Control {
    std::string kind; // EDITTEXT, COMBOBOX, AUTOCHECKBOX, LTEXT, ...
    std::string text; // its own text, "" for kinds without one
    int id = -1;
};

struct Dialog {
    int id = 0;
    std::string caption; // "" when the template has none
    std::vector<Control> controls;
};

// Reads a resource script with the text of each header it includes by a
// quoted name from its own folder put ahead of it, so that the macros that
// name its templates and controls (resource.h) can be read. False when the
// script can't be read.
bool readResourceScript(const std::string& path, std::string* text);
bool readTextFile(const std::string& path, std::string* text);

// Finds template id ("<id> DIALOGEX", the id a number or a macro of one) in the text of a .rc file
// and reads its caption and controls. False, with the reason in error, when it is missing or a
// control line can't be read.
bool parseDialog(const std::string& rc, int id, Dialog* dialog, std::string* error);

// Whether a control of this kind holds a value the user edits.
bool isInputControl(const std::string& kind);

struct Field {
    int controlId = 0;
    std::string keyword; // given in topics.txt only for controls outside the table
    std::vector<std::string> paragraphs;
    // Filled by resolveTopics.
    std::string label;
    const AttributeDescriptor* row = nullptr;
};

struct Topic {
    std::string name; // the help topic the page asks for ("infgeneral")
    int dialogId = 0;
    std::string title;
    std::vector<std::string> paragraphs;
    std::vector<Field> fields;
};

// Reads topics.txt:
//   topic NAME DIALOG-ID TITLE   starts a topic; text lines follow
//   field CONTROL-ID [KEYWORD]   starts a field's text; KEYWORD only for a
//                                control that no attribute-table row shows
// Text lines form paragraphs, separated by blank lines; lines starting
// with '#' are comments.
bool parseTopics(const std::string& text, std::vector<Topic>* topics, std::string* error);

// Checks each topic against its dialog template and the attribute table
// and fills in labels and rows; fields end up in template order. Fails
// when an input control has no text, a text names no control of its page,
// a control of the table is given a keyword or one outside it none, or a
// title differs from the template's caption.
bool resolveTopics(const std::string& rc, std::vector<Topic>* topics, std::string* error);

// The label a user sees for a control: its own text, or that of the static
// text right before it; '&' markers removed.
std::string controlLabel(const Dialog& dialog, size_t index);

std::string escapeHtml(const std::string& text);

// The HTML page of one topic.
std::string topicPage(const Topic& topic);
// topics.js: the topics by help context, with their titles, files and the
// keywords they describe, for the entry page.
std::string topicScript(const std::vector<Topic>& topics);

} // namespace helpgen
