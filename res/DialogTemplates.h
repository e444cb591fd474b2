#pragma once

#include <vector>

// The dialog templates of the program, as data: each control with its kind,
// id, text and rectangle in dialog units, in tab order. The windows build
// themselves from these.

// Ids of the controls and of the commands without a control. (Named so that
// they do not meet the macros of the Windows headers.)
enum ControlId {
    IDC_NONE = -1,
    IDC_OK = 1,
    IDC_CLOSE = 2,
    IDM_ABOUTBOX = 16, // system-menu entry of the About box
    IDC_DATE = 1008,
    IDC_CMD_DATECLEANUP = 1009,
    IDC_CMD_BYSURVEYCLEANUP = 1010,
    IDC_STATSRC = 1011,
    IDC_CALLCENTERSRC = 1012,
    IDC_STATUS = 1018,
    IDC_LISTDB = 1019,
    IDC_CMD_LISTCLEANUP = 1020,
    IDC_CMD_BROWSEBACKUPFILE = 1022,
    IDC_CMD_SURVEYCLEANUP = 1023,
    IDC_SURVEYDB = 1024,
    IDC_CMD_WEBSURVEYCLEANUP = 1025,
    IDC_WEBINTERVIEWDB = 1026,
    IDC_WEBPRODDB = 1027,
    IDC_TIMEOUT = 1031,
    // The survey selection dialog.
    IDC_CANCEL = 2,
    IDC_SURVEYLIST = 1019,
    IDC_CLEAN_STATS = 1033,
    IDC_CLEAN_SURVEYS = 1034,
    IDC_CLEAN_WEBINTERVIEWS = 1035,
    IDC_CLEAN_LISTS = 1036,
};

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
    int id;           // IDC_NONE for controls without one
    const char* name; // object name of a control without an id
    const char* text;
    int x, y, width, height; // dialog units
};

struct DialogTemplate {
    int id;
    const char* title;
    const char* fontFace;
    int pointSize;
    int width, height; // client area, dialog units
    std::vector<ControlTemplate> controls;
};

const DialogTemplate& MainWindowTemplate(); // 225
const DialogTemplate& AboutBoxTemplate();   // 100
const DialogTemplate& SelectSurveysTemplate(); // 129
