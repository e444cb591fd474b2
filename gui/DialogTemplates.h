#pragma once

#include <vector>

namespace qel {

// The dialog templates of the program, as data: each control with its kind,
// object name, text and rectangle in dialog units, in tab order. The windows
// build their controls from these and arrange them in layouts that keep the
// templates' arrangement (see DialogLayouts.h); the control numbers of the
// tool this one replaces are noted beside each control. The templates'
// fonts are not taken over: the windows use the desktop's font.

enum class ControlKind {
    GroupBox,
    Label,         // left-aligned static text
    StatusLine,    // sunken one-line static text
    Edit,          // bordered, scrolls horizontally, tab stop
    DatePicker,    // short date, drop-down calendar
    PushButton,    // tab stop
    DefPushButton, // tab stop, default button
    Picture,       // the main window's picture
    Icon,          // the application icon
    CheckBox,      // automatic check box, tab stop
    ListView,      // report view, several rows selectable, selection always shown
};

struct ControlTemplate {
    ControlKind kind;
    const char* name; // the control's object name
    const char* text;
    int x, y, width, height; // dialog units
};

struct DialogTemplate {
    const char* title;
    int width, height; // client area, dialog units
    std::vector<ControlTemplate> controls;
};

const DialogTemplate& MainWindowTemplate();      // template 225
const DialogTemplate& AboutBoxTemplate();        // template 100
const DialogTemplate& SurveySelectionTemplate(); // template 129

// The command of the About entry in the window's system menu.
inline constexpr int kAboutBoxCommand = 16;

} // namespace qel
