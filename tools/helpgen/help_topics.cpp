#include "helpgen.h"
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace helpgen {

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string trim(const std::string& text) {
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(" \t");
    return text.substr(start, end - start + 1);
}

// Reads a .rc string literal at text[*pos] ('"' there); "" inside stands
// for one quote. False when it is not closed.
bool readQuoted(const std::string& text, size_t* pos, std::string* value) {
    value->clear();
    for (size_t i = *pos + 1; i < text.size(); ++i) {
        if (text[i] != '"') {
            *value += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '"') {
            *value += '"';
            ++i;
        } else {
            *pos = i + 1;
            return true;
        }
    }
    return false;
}

// The script's numeric macros ("#define NAME NUMBER"), its own and those
// of the headers readResourceScript put ahead of it: the names that
// templates and controls are given by.
using Symbols = std::map<std::string, int>;
Symbols readSymbols(const std::string& rc) {
    Symbols symbols;
    for (const std::string& line : splitLines(rc)) {
        std::istringstream words(trim(line));
        std::string directive, name, value;
        words >> directive >> name >> value;
        char* end = nullptr;
        long number = std::strtol(value.c_str(), &end, 10);
        if (directive == "#define" && !value.empty() && *end == 0)
            symbols[name] = static_cast<int>(number);
    }
    return symbols;
}

bool isNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Reads a decimal number (possibly negative) or a macro that stands for
// one, at text[i]; *end is set past it.
bool readNumberAt(const std::string& text, size_t i, const Symbols& symbols, int* value,
                  size_t* end) {
    const char* start = text.c_str() + i;
    char* after = nullptr;
    long number = std::strtol(start, &after, 10);
    if (after != start) {
        *value = static_cast<int>(number);
        *end = i + static_cast<size_t>(after - start);
        return true;
    }
    size_t n = 0;
    while (i + n < text.size() && isNameCharacter(text[i + n]))
        ++n;
    auto found = symbols.find(text.substr(i, n));
    if (n == 0 || found == symbols.end())
        return false;
    *value = found->second;
    *end = i + n;
    return true;
}

// Reads a number or macro after blanks and one comma.
bool readNumberAfterComma(const std::string& text, size_t* pos, const Symbols& symbols,
                          int* value) {
    size_t i = text.find_first_not_of(" \t", *pos);
    if (i == std::string::npos || text[i] != ',')
        return false;
    i = text.find_first_not_of(" \t", i + 1);
    return i != std::string::npos && readNumberAt(text, i, symbols, value, pos);
}

bool hasOwnText(const std::string& kind) {
    static const char* const kinds[] = {
        "LTEXT",        "RTEXT",    "CTEXT",           "GROUPBOX",    "PUSHBUTTON", "DEFPUSHBUTTON",
        "AUTOCHECKBOX", "CHECKBOX", "AUTORADIOBUTTON", "RADIOBUTTON", "AUTO3STATE", "STATE3"};
    return std::find(std::begin(kinds), std::end(kinds), kind) != std::end(kinds);
}

bool isStaticText(const std::string& kind) {
    return kind == "LTEXT" || kind == "RTEXT" || kind == "CTEXT";
}

// One control line of a template body: KIND ["text",] id, ...
bool parseControl(const std::string& line, const Symbols& symbols, Control* control) {
    std::string text = trim(line);
    size_t space = text.find_first_of(" \t");
    if (space == std::string::npos)
        return false;
    control->kind = text.substr(0, space);
    size_t pos = text.find_first_not_of(" \t", space);
    if (hasOwnText(control->kind)) {
        if (pos == std::string::npos || text[pos] != '"' || !readQuoted(text, &pos, &control->text))
            return false;
        return readNumberAfterComma(text, &pos, symbols, &control->id);
    }
    // Controls without text start with their id.
    std::string withComma = "," + text.substr(pos);
    size_t start = 0;
    return readNumberAfterComma(withComma, &start, symbols, &control->id);
}

std::string withoutMnemonic(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] != '&')
            continue;
        plain += text[i];
    }
    // A label ends with a colon before its field, a button that opens a
    // dialog with an ellipsis; the help names the field.
    for (const char* end : {":", "..."}) {
        size_t n = std::strlen(end);
        if (plain.size() >= n && plain.compare(plain.size() - n, n, end) == 0)
            plain.erase(plain.size() - n);
    }
    return plain;
}

const AttributeDescriptor* rowForControl(int controlId) {
    for (uint16_t i = 0; i < attributeTableCount; ++i) {
        if (attributeTable[i].controlId == controlId)
            return &attributeTable[i];
    }
    return nullptr;
}

} // namespace

bool readResourceScript(const std::string& path, std::string* text) {
    std::string script;
    if (!readTextFile(path, &script))
        return false;
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string headers;
    for (const std::string& line : splitLines(script)) {
        std::string trimmed = trim(line);
        size_t open = trimmed.find('"');
        size_t close = trimmed.rfind('"');
        if (trimmed.compare(0, 8, "#include") != 0 || open == close || open == std::string::npos)
            continue;
        std::string name = trimmed.substr(open + 1, close - open - 1);
        std::string header;
        if (name.size() > 2 && name.compare(name.size() - 2, 2, ".h") == 0 &&
            readTextFile(folder + name, &header))
            headers += header + "\n";
    }
    *text = headers + script;
    return true;
}

bool readTextFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *text = buffer.str();
    return true;
}

bool parseDialog(const std::string& rc, int id, Dialog* dialog, std::string* error) {
    std::vector<std::string> lines = splitLines(rc);
    Symbols symbols = readSymbols(rc);
    // The template's head: its number or a macro of it, then DIALOGEX.
    auto isHead = [&](const std::string& line) {
        int value = 0;
        size_t end = 0;
        return !line.empty() && readNumberAt(line, 0, symbols, &value, &end) && value == id &&
               line.compare(end, 9, " DIALOGEX") == 0;
    };
    size_t i = 0;
    while (i < lines.size() && !isHead(lines[i]))
        ++i;
    if (i == lines.size()) {
        *error = "no dialog template " + std::to_string(id);
        return false;
    }
    *dialog = Dialog();
    dialog->id = id;
    for (++i; i < lines.size() && trim(lines[i]) != "BEGIN"; ++i) {
        std::string line = trim(lines[i]);
        if (line.compare(0, 8, "CAPTION ") == 0) {
            size_t pos = line.find('"');
            if (pos == std::string::npos || !readQuoted(line, &pos, &dialog->caption)) {
                *error = "unreadable caption of template " + std::to_string(id);
                return false;
            }
        }
    }
    for (++i; i < lines.size() && trim(lines[i]) != "END"; ++i) {
        std::string line = trim(lines[i]);
        if (line.empty() || line.compare(0, 2, "//") == 0)
            continue;
        Control control;
        if (!parseControl(line, symbols, &control)) {
            *error = "unreadable control in template " + std::to_string(id) + ": " + line;
            return false;
        }
        dialog->controls.push_back(control);
    }
    if (i == lines.size()) {
        *error = "template " + std::to_string(id) + " has no END";
        return false;
    }
    return true;
}

bool isInputControl(const std::string& kind) {
    static const char* const kinds[] = {"EDITTEXT", "COMBOBOX",        "LISTBOX",
                                        "CHECKBOX", "AUTOCHECKBOX",    "RADIOBUTTON",
                                        "STATE3",   "AUTORADIOBUTTON", "AUTO3STATE"};
    return std::find(std::begin(kinds), std::end(kinds), kind) != std::end(kinds);
}

std::string controlLabel(const Dialog& dialog, size_t index) {
    const Control& control = dialog.controls[index];
    if (hasOwnText(control.kind) && !isStaticText(control.kind))
        return withoutMnemonic(control.text);
    if (index > 0 && isStaticText(dialog.controls[index - 1].kind))
        return withoutMnemonic(dialog.controls[index - 1].text);
    return "";
}

bool parseTopics(const std::string& text, std::vector<Topic>* topics, std::string* error) {
    topics->clear();
    std::vector<std::string>* paragraphs = nullptr;
    bool paragraphOpen = false;
    int number = 0;
    for (const std::string& raw : splitLines(text)) {
        ++number;
        std::string line = trim(raw);
        std::string where = "topics line " + std::to_string(number) + ": ";
        if (!line.empty() && line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string directive;
        words >> directive;
        if (directive == "topic") {
            Topic topic;
            words >> topic.name >> topic.dialogId;
            std::getline(words, topic.title);
            topic.title = trim(topic.title);
            if (topic.name.empty() || topic.dialogId <= 0 || topic.title.empty()) {
                *error = where + "expected \"topic NAME DIALOG-ID TITLE\"";
                return false;
            }
            topics->push_back(topic);
            paragraphs = &topics->back().paragraphs;
            paragraphOpen = false;
        } else if (directive == "field") {
            if (topics->empty()) {
                *error = where + "field outside a topic";
                return false;
            }
            Field field;
            words >> field.controlId;
            std::getline(words, field.keyword);
            field.keyword = trim(field.keyword);
            if (field.controlId <= 0) {
                *error = where + "expected \"field CONTROL-ID [KEYWORD]\"";
                return false;
            }
            topics->back().fields.push_back(field);
            paragraphs = &topics->back().fields.back().paragraphs;
            paragraphOpen = false;
        } else if (line.empty()) {
            paragraphOpen = false;
        } else if (!paragraphs) {
            *error = where + "text outside a topic";
            return false;
        } else if (paragraphOpen) {
            paragraphs->back() += " " + line;
        } else {
            paragraphs->push_back(line);
            paragraphOpen = true;
        }
    }
    if (topics->empty()) {
        *error = "no topics";
        return false;
    }
    return true;
}

namespace {

bool resolveField(const Dialog& dialog, const std::string& topic, Field* field,
                  std::string* error) {
    std::string where = "topic " + topic + ", control " + std::to_string(field->controlId) + ": ";
    size_t index = 0;
    while (index < dialog.controls.size() && dialog.controls[index].id != field->controlId)
        ++index;
    if (index == dialog.controls.size()) {
        *error = where + "not in dialog template " + std::to_string(dialog.id);
        return false;
    }
    field->row = rowForControl(field->controlId);
    if (field->row && !field->keyword.empty()) {
        *error = where + "its keyword comes from the attribute table";
        return false;
    }
    if (!field->row && field->keyword.empty()) {
        *error = where + "not in the attribute table: name its keyword";
        return false;
    }
    if (field->paragraphs.empty()) {
        *error = where + "no text";
        return false;
    }
    field->label = controlLabel(dialog, index);
    return true;
}

bool resolveTopic(const std::string& rc, Topic* topic, std::string* error) {
    Dialog dialog;
    if (!parseDialog(rc, topic->dialogId, &dialog, error))
        return false;
    if (!dialog.caption.empty() && dialog.caption != topic->title) {
        *error = "topic " + topic->name + ": title \"" + topic->title +
                 "\" differs from the page's caption \"" + dialog.caption + "\"";
        return false;
    }
    for (Field& field : topic->fields) {
        if (!resolveField(dialog, topic->name, &field, error))
            return false;
    }
    // Every input control has its text, and the texts follow the page.
    std::vector<Field> ordered;
    for (const Control& control : dialog.controls) {
        auto match = std::find_if(topic->fields.begin(), topic->fields.end(),
                                  [&](const Field& f) { return f.controlId == control.id; });
        if (match != topic->fields.end()) {
            ordered.push_back(*match);
            topic->fields.erase(match);
        } else if (isInputControl(control.kind)) {
            *error = "topic " + topic->name + ": control " + std::to_string(control.id) +
                     " of the page has no text";
            return false;
        }
    }
    if (!topic->fields.empty()) {
        *error = "topic " + topic->name + ": control " +
                 std::to_string(topic->fields.front().controlId) + " is described twice";
        return false;
    }
    topic->fields = ordered;
    return true;
}

} // namespace

bool resolveTopics(const std::string& rc, std::vector<Topic>* topics, std::string* error) {
    for (Topic& topic : *topics) {
        if (!resolveTopic(rc, &topic, error))
            return false;
    }
    return true;
}

} // namespace helpgen
