#include "dialog/wingetst.h"
#include "base/crypt.h"
#include "base/rvalloc.h"
#include "base/rvdbcs.h"
#include "setup/basesetu.h"

namespace {
enum : WPARAM { descriptionLimit = 255 };

const char* textOrEmpty(const char* text) {
    return text ? text : "";
}

// The next character of a terminated ANSI text, never past its terminator.
char* nextCharIn(char* p) {
    return p + (isLeadByte(p) && p[1] ? 2 : 1);
}

// Ends text at its first white-space character: a single-byte blank, tab
// or other space, or the double-byte ideographic space. Walks whole
// characters, so a trail byte is never taken for the start of one.
void cutAtFirstSpace(char* text) {
    for (char* p = text; *p; p = nextCharIn(p))
        if (isSpaceAt(p)) {
            *p = 0;
            return;
        }
}

void setText(HWND page, int id, const char* text) {
    SetDlgItemTextA(page, id, textOrEmpty(text));
}

void limitText(HWND page, int id, WPARAM limit) {
    SendDlgItemMessageA(page, id, EM_LIMITTEXT, limit, 0);
}

void setChecked(HWND page, int id, bool checked) {
    CheckDlgButton(page, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void disable(HWND page, int id) {
    EnableWindow(GetDlgItem(page, id), FALSE);
}

// What reading a combo box back stores for item index, as a new string in
// *stored: the item's text, of a choice list its leading word only. 1 when
// memory ran out.
int storedFormOfItem(HWND combo, LRESULT index, bool leadingWord, char** stored) {
    LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    if (length < 0)
        length = 0;
    *stored = static_cast<char*>(rvAlloc(static_cast<size_t>(length) + 1));
    if (!*stored)
        return 1;
    (*stored)[0] = 0;
    if (length > 0 &&
        SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(*stored)) == CB_ERR)
        (*stored)[0] = 0;
    if (leadingWord)
        cutAtFirstSpace(*stored);
    return 0;
}

// The first item that reads back as exactly value, in *found (CB_ERR for
// none). 1 when memory ran out.
int findStoredItem(HWND combo, const char* value, bool leadingWord, LRESULT* found) {
    *found = CB_ERR;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count && *found == CB_ERR; ++i) {
        char* stored = nullptr;
        if (storedFormOfItem(combo, i, leadingWord, &stored))
            return 1;
        if (compareText(stored, value) == 0)
            *found = i;
        rvFree(stored);
    }
    return 0;
}

// The item of a choice list that shows a stored value, in *found (CB_ERR
// for none): the one whose leading word is the value's whole text ("1") or
// its leading word ("1 - Preserve", the form the table gives its defaults
// in, which reads back as its stored form "1"). 1 when memory ran out.
int findChoiceItem(HWND combo, const char* value, LRESULT* found) {
    if (findStoredItem(combo, value, true, found))
        return 1;
    if (*found != CB_ERR)
        return 0;
    char* word = rvAllocText(value);
    if (!word)
        return 1;
    cutAtFirstSpace(word);
    int failed = word[0] ? findStoredItem(combo, word, true, found) : 0;
    rvFree(word);
    return failed;
}

bool isEditableCombo(HWND combo) {
    return (GetWindowLongA(combo, GWL_STYLE) & (CBS_SIMPLE | CBS_DROPDOWN | CBS_DROPDOWNLIST)) !=
           CBS_DROPDOWNLIST;
}

// Shows a stored value so that reading the combo box back stores it again
// in its stored form: the item that reads back as the value (of a choice
// list, see findChoiceItem) is selected; without one an editable combo box
// shows the value in its edit field and a list gets the value as an item
// of its own. The closest item is never taken instead ("1" does not become
// "10 Sec."), for OK on an untouched page would then replace what is
// stored. An empty value selects nothing.
int showComboValue(HWND page, const AttributeDescriptor& row, const char* value) {
    HWND combo = GetDlgItem(page, row.controlId);
    if (!combo || !value || !*value)
        return 0;
    LRESULT index = CB_ERR;
    if (row.controlType == controlChoiceList ? findChoiceItem(combo, value, &index)
                                             : findStoredItem(combo, value, false, &index))
        return 1;
    if (index == CB_ERR && isEditableCombo(combo)) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetWindowTextA(combo, value);
        return 0;
    }
    if (index == CB_ERR)
        index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(value));
    if (index >= 0)
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    return 0;
}

// Adds the comma-separated items of choices to the combo box, each without
// its leading white space. Works on a copy, which is cut into the items.
int addChoiceItems(HWND page, int id, const char* choices) {
    char* list = rvAllocText(textOrEmpty(choices));
    if (!list)
        return 1;
    char* item = const_cast<char*>(skipSpaces(list, encodingAnsi));
    for (;;) {
        char* comma = const_cast<char*>(findChar(item, ',', encodingAnsi));
        if (comma)
            *comma = 0;
        SendDlgItemMessageA(page, id, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(skipSpaces(item, encodingAnsi)));
        if (!comma)
            break;
        item = comma + 1;
    }
    rvFree(list);
    return 0;
}

// A page is filled again after each save; its list is the row's choice
// list already then, and adding the items once more would show each twice.
int fillChoiceList(HWND page, const AttributeDescriptor& row, const char* value) {
    if (SendDlgItemMessageA(page, row.controlId, CB_GETCOUNT, 0, 0) <= 0 &&
        addChoiceItems(page, row.controlId, row.choices))
        return 1;
    return showComboValue(page, row, value);
}

// A value in its stored form is shown decoded. Any other value is clear
// text, as the attribute string may give it; it is shown as it is, for an
// empty box would be read back as an empty secret and the given one lost.
// Fails when the stored form is not hexadecimal text of whole bytes.
int fillSecret(HWND page, const AttributeDescriptor& row, const char* value) {
    limitText(page, row.controlId, row.textLimit);
    const char* stored = textOrEmpty(value);
    size_t storedLength = textLength(stored);
    // Clear text needs its own length and a terminator; a stored form needs
    // half of that.
    size_t size = storedLength + 1;
    char* shown = static_cast<char*>(rvAlloc(size));
    if (!shown)
        return 1;
    size_t shownLength = 0;
    int failed = decodeSecretValue(shown, size, stored, storedLength, &shownLength);
    if (!failed)
        setText(page, row.controlId, shown);
    // The clear secret does not outlive the call in freed memory.
    zeroBytes(shown, size);
    rvFree(shown);
    return failed;
}

int fillRow(HWND page, const AttributeDescriptor& row, const char* value) {
    int id = row.controlId;
    switch (row.controlType) {
    case controlText:
        limitText(page, id, row.textLimit);
        setText(page, id, value);
        return 0;
    case controlRadio:
        // A group of one: the other buttons of the group belong to rows of
        // their own.
        if (value && *value && equalsIgnoreCase(value, textOrEmpty(row.choices)))
            CheckRadioButton(page, id, id, id);
        return 0;
    case controlFlag:
        setChecked(page, id, value && compareText(value, "1") == 0);
        return 0;
    case controlWordList:
        return showComboValue(page, row, value);
    case controlChoiceList:
        return fillChoiceList(page, row, value);
    case controlSecret:
        return fillSecret(page, row, value);
    case controlYesNo:
        setChecked(page, id, value && equalsIgnoreCase(value, "Yes"));
        return 0;
    default:
        // Carried rows have no control.
        return 0;
    }
}

// The whole text of a control, as a new string; the empty string when the
// control is not on the page. The text is read whole rather than into a
// fixed buffer: a stored value may be longer than the box lets the user
// type, and double-byte text takes two bytes per character of the limit.
char* readText(HWND page, int id) {
    HWND control = GetDlgItem(page, id);
    int length = control ? GetWindowTextLengthA(control) : 0;
    if (length < 0)
        length = 0;
    char* text = static_cast<char*>(rvAlloc(static_cast<size_t>(length) + 1));
    if (!text)
        return nullptr;
    text[0] = 0;
    if (length > 0)
        GetWindowTextA(control, text, length + 1);
    return text;
}

bool isChecked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

// The value that the row's control holds, as a new string in *out; null for
// an unselected radio button. 1 when memory ran out.
int readValue(HWND page, const AttributeDescriptor& row, char** out) {
    int id = row.controlId;
    switch (row.controlType) {
    case controlRadio:
        *out = nullptr;
        if (!isChecked(page, id))
            return 0;
        *out = rvAllocText(textOrEmpty(row.choices));
        break;
    case controlFlag:
        *out = rvAllocText(isChecked(page, id) ? "1" : "0");
        break;
    case controlYesNo:
        *out = rvAllocText(isChecked(page, id) ? "Yes" : "No");
        break;
    case controlChoiceList:
        // Items read "number - text": the leading word is what is stored.
        if ((*out = readText(page, id)))
            cutAtFirstSpace(*out);
        break;
    default:
        *out = readText(page, id);
        break;
    }
    return *out ? 0 : 1;
}

bool isBoundType(uint32_t type) {
    return type <= controlYesNo && type != controlCarried;
}

// The new value replaces the old one only once it has been read, so that
// a failed read leaves the row as it was.
int readRow(HWND page, const AttributeDescriptor& row, char** value) {
    if (!isBoundType(row.controlType))
        return 0;
    if (*value && !GetDlgItem(page, row.controlId)) {
        // The page with the control reads it; meanwhile a choice is held
        // in the form it is stored in.
        if (row.controlType == controlChoiceList)
            cutAtFirstSpace(*value);
        return 0;
    }
    char* fresh = nullptr;
    if (readValue(page, row, &fresh))
        return 1;
    rvFree(*value);
    *value = fresh;
    return 0;
}

bool isFreeText(uint32_t type) {
    return type == controlText || type == controlWordList || type == controlSecret;
}

// Whether the ANSI code page holds every character of the control's text
// as itself: no default character, no best-fit look-alike ("a" for "\u0101").
// A UTF-8 code page holds them all, and takes neither the flag nor the
// question. A text that cannot be read to check is left to the read-back.
bool fitsAnsiCodePage(HWND control) {
    int length = GetWindowTextLengthW(control);
    UINT codePage = GetACP();
    if (length <= 0 || codePage == CP_UTF8)
        return true;
    auto* text =
        static_cast<wchar_t*>(rvAlloc(sizeof(wchar_t) * (static_cast<size_t>(length) + 1)));
    if (!text)
        return true;
    GetWindowTextW(control, text, length + 1);
    BOOL usedDefault = FALSE;
    int bytes = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr,
                                    &usedDefault);
    rvFree(text);
    return bytes > 0 && !usedDefault;
}

// Whether the page has control id and its text does not fit.
bool holdsUnstorableText(HWND page, int id) {
    HWND control = GetDlgItem(page, id);
    return control && !fitsAnsiCodePage(control);
}
} // namespace

int fillControls(HWND page, SetupContext* context) {
    setText(page, controlDataSourceName, context->dataSourceName);
    // A file data source is named by the file it is saved to.
    if (context->outputAddress)
        disable(page, controlDataSourceName);
    for (uint16_t i = 0; i < context->attributeCount; ++i)
        if (fillRow(page, context->table[i], context->values[i]))
            return 1;
    limitText(page, controlDataSourceName, dataSourceNameBytes);
    // The Description box ends up taking more than the row's own limit of
    // 80, which the loop above applied.
    limitText(page, controlDescription, descriptionLimit);
    // A data source added under a given name keeps that name.
    if (context->request == requestAddDsn && context->dataSourceName &&
        context->dataSourceName[0]) {
        disable(page, controlDataSourceName);
        disable(page, controlNameCompanion);
    }
    return 0;
}

int readControls(HWND page, SetupContext* context) {
    char* name = readText(page, controlDataSourceName);
    if (!name)
        return 1;
    rvFree(context->dataSourceName);
    context->dataSourceName = name;
    for (uint16_t i = 0; i < context->attributeCount; ++i)
        if (readRow(page, context->table[i], &context->values[i]))
            return 1;
    return 0;
}

int findUnstorableText(HWND page, const SetupContext* context) {
    if (holdsUnstorableText(page, controlDataSourceName))
        return controlDataSourceName;
    for (uint16_t i = 0; i < context->attributeCount; ++i) {
        const AttributeDescriptor& row = context->table[i];
        if (isFreeText(row.controlType) && holdsUnstorableText(page, row.controlId))
            return static_cast<int>(row.controlId);
    }
    return 0;
}
