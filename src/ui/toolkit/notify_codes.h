#pragma once

namespace vantora {

// Notification codes that controls report to MDialog::OnMessage.
enum NotifyCode : int {
    kNotifyKeyClicked = 1,     // KeyboardCtrl: a key was clicked (plain click)
    kNotifySelChanged = 1,     // MacroListBox / CRecordList: the selected row changed
    kNotifyClick = 2,          // buttons: clicked; combos, sliders: the user changed the value
    kNotifyItemEvent = 3,      // CRecordList: a row asked for editing (double click or its button)
    kNotifyKeySelectMore = 5,  // KeyboardCtrl: the selection was extended (Ctrl click, rubber band)
    kNotifyItemMenu = 9,       // MacroListBox: a row's menu button was clicked
    kNotifyTextChanged = 26,   // MEdit: the user changed the text
    kNotifyColorPicked = 27,   // CirclePalette: a colour was picked
    kNotifyKillFocus = 29,     // MEdit: the field lost the focus
    kNotifySetFocus = 30,      // MEdit: the field gained the focus (wParam 1: with its window's)
    kNotifyEnter = 31,         // MEdit: Enter was pressed in the field (not in capture fields)
};

// Text alignment values of SetAlignment and SetVAlignment.
enum TextAlign : int { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };
enum TextVAlign : int { kVAlignTop = 0, kVAlignCenter = 1, kVAlignBottom = 2 };

// Image modes of SetImage.
enum ImageMode : int { kImageStretch = 0, kImageCenter = 1, kImageOwnSize = 2 };

}  // namespace vantora
