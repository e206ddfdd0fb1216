#include "helpgen.h"
#include <cstdio>

namespace helpgen {

namespace {

const char productName[] = "Informix ODBC Driver";

// A double-quoted script string.
std::string jsString(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20 || c == '<' || c == '>' || c == '&') {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            quoted += escape;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

std::string keywordOf(const Field& field) {
    return field.row ? field.row->keyword : field.keyword;
}

// The page anchor of a field: its (first) keyword.
std::string anchorOf(const Field& field) {
    std::string keyword = keywordOf(field);
    return keyword.substr(0, keyword.find_first_of(", "));
}

std::string codeText(const std::string& text) {
    return "<code>" + escapeHtml(text) + "</code>";
}

std::string factRow(const char* name, const std::string& html) {
    return "      <tr><th>" + std::string(name) + "</th><td>" + html + "</td></tr>\n";
}

std::string defaultText(const AttributeDescriptor& row) {
    std::string value = row.defaultValue ? row.defaultValue : "";
    if (row.controlType == controlFlag)
        return value == "1" ? "checked (" + codeText("1") + ")"
                            : "cleared (" + codeText(value) + ")";
    return value.empty() ? "none (empty)" : codeText(value);
}

// The first choice that is a number, blanks and "-" ("1 - Preserve"), and
// that number; false when the row has none.
bool numberedChoice(const AttributeDescriptor& row, std::string* choice, std::string* number) {
    std::string choices = row.choices ? row.choices : "";
    size_t start = 0;
    while (start < choices.size()) {
        size_t comma = choices.find(',', start);
        std::string item =
            choices.substr(start, comma == std::string::npos ? comma : comma - start);
        size_t digits = item.find_first_not_of("0123456789");
        size_t dash = item.find_first_not_of(" \t", digits);
        if (digits > 0 && digits != std::string::npos && dash != std::string::npos &&
            item[dash] == '-') {
            *choice = item;
            *number = item.substr(0, digits);
            return true;
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return false;
}

std::string storedText(const AttributeDescriptor& row) {
    std::string choice, number;
    switch (row.controlType) {
    case controlFlag:
        return codeText("1") + " when checked, " + codeText("0") + " when cleared";
    case controlYesNo:
        return codeText("Yes") + " or " + codeText("No");
    case controlWordList:
    case controlChoiceList:
        if (numberedChoice(row, &choice, &number))
            return "an item that starts with a number and \"-\" as that number (" +
                   codeText(choice) + " is stored as " + codeText(number) + "), others as shown";
        return "as typed; a number followed by \"-\" is stored alone";
    case controlSecret:
        return "scrambled";
    default:
        return "as typed";
    }
}

std::string choicesText(const AttributeDescriptor& row) {
    std::string html, choices = row.choices ? row.choices : "";
    size_t start = 0;
    while (start <= choices.size()) {
        size_t comma = choices.find(',', start);
        if (comma == std::string::npos)
            comma = choices.size();
        html += (html.empty() ? "" : ", ") + codeText(choices.substr(start, comma - start));
        start = comma + 1;
    }
    return html;
}

std::string facts(const Field& field) {
    std::string rows = factRow("Keyword", codeText(keywordOf(field)));
    const AttributeDescriptor* row = field.row;
    if (!row)
        return rows;
    if (row->shortKeyword && row->shortKeyword[0])
        rows += factRow("Short keyword", codeText(row->shortKeyword));
    rows += factRow("Default", defaultText(*row));
    if (row->controlType == controlChoiceList)
        rows += factRow("Choices", choicesText(*row));
    if ((row->controlType == controlText || row->controlType == controlSecret) && row->textLimit)
        rows += factRow("Longest value", std::to_string(row->textLimit) + " characters");
    rows += factRow("Stored", storedText(*row));
    return rows;
}

std::string paragraphs(const std::vector<std::string>& texts, const char* indent) {
    std::string html;
    for (const std::string& text : texts)
        html += indent + std::string("<p>") + escapeHtml(text) + "</p>\n";
    return html;
}

} // namespace

std::string escapeHtml(const std::string& text) {
    std::string html;
    for (char c : text) {
        switch (c) {
        case '&':
            html += "&amp;";
            break;
        case '<':
            html += "&lt;";
            break;
        case '>':
            html += "&gt;";
            break;
        case '"':
            html += "&quot;";
            break;
        default:
            html += c;
        }
    }
    return html;
}

std::string topicPage(const Topic& topic) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>" +
                       escapeHtml(topic.title) + " - " + productName +
                       "</title>\n"
                       "<link rel=\"stylesheet\" href=\"../wwhelp/wwhimpl/help.css\">\n"
                       "</head>\n<body class=\"topic\">\n<h1>" +
                       escapeHtml(topic.title) + "</h1>\n" + paragraphs(topic.paragraphs, "");
    html += "<dl class=\"fields\">\n";
    for (const Field& field : topic.fields) {
        html += "  <dt id=\"" + escapeHtml(anchorOf(field)) + "\">" + escapeHtml(field.label) +
                "</dt>\n";
        html += "  <dd>\n" + paragraphs(field.paragraphs, "    ");
        html += "    <table class=\"facts\">\n" + facts(field) + "    </table>\n  </dd>\n";
    }
    html += "</dl>\n</body>\n</html>\n";
    return html;
}

std::string topicScript(const std::vector<Topic>& topics) {
    std::string js = "// Written by helpgen from the attribute table, the dialog templates and\n"
                     "// topics.txt: the help topics of the setup dialog by help context.\n"
                     "var WWHTopics = {\n  \"ODBC\": [\n";
    for (size_t t = 0; t < topics.size(); ++t) {
        const Topic& topic = topics[t];
        js += "    {\"name\": " + jsString(topic.name) + ", \"title\": " + jsString(topic.title) +
              ", \"file\": " + jsString(topic.name + ".htm") + ",\n     \"fields\": [";
        for (size_t f = 0; f < topic.fields.size(); ++f) {
            const Field& field = topic.fields[f];
            js += std::string(f ? ",\n                " : "") +
                  "{\"keyword\": " + jsString(keywordOf(field)) +
                  ", \"anchor\": " + jsString(anchorOf(field)) +
                  ", \"label\": " + jsString(field.label) + "}";
        }
        js += std::string("]}") + (t + 1 < topics.size() ? "," : "") + "\n";
    }
    js += "  ]\n};\n";
    return js;
}

} // namespace helpgen
