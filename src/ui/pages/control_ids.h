#pragma once

#include <cstdint>

namespace vantora {

// Control ids of the main window's frame: the window's own controls, the
// page containers and the tabs. The pages' own ids are in their headers.
enum MainWindowId : int {
    kIdBackground = 30,
    kIdLogo = 31,
    kIdTitle = 32,
    kIdClose = 33,
    kIdMinimize = 34,
    kIdSettings = 35,
    kPageHome = 36,
    kPageDevice = 37,
    kPageMacro = 38,
    kPageMusic = 39,
    kPageSetting = 40,
    kSubPageKey = 41,
    kSubPageLight = 42,
    kTabHome = 43,
    kTabDevice = 44,
    kTabMacro = 45,
    kTabMusic = 46,
    kTabSetting = 47,
    kTabKey = 61,
    kTabLight = 62,
    kIdWebLink = 166,         // on the HOME page, handled by the frame
    kIdKeyboardStatus = 171,  // the frame's line: what is done with the keyboard
    kIdExit = 172,            // the frame's button that ends the program
};

}  // namespace vantora
