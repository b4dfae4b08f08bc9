// Creation of controls by their toolkit class name.
#include "ui/toolkit/toolkit.h"

#include <functional>
#include <unordered_map>

namespace vantora {

MControl* MDialog::NewControl(MDialog* dialog, const std::string& className, int id) {
    using Maker = std::function<MControl*(MDialog*, int)>;
    static const std::unordered_map<std::string, Maker> kMakers = {
        {"MPicture", [](MDialog* d, int i) -> MControl* { return new MPicture(d, i); }},
        {"MText", [](MDialog* d, int i) -> MControl* { return new MText(d, i); }},
        {"MTabLayout", [](MDialog* d, int i) -> MControl* { return new MTabLayout(d, i); }},
        {"MButton", [](MDialog* d, int i) -> MControl* { return new MButton(d, i); }},
        {"CImageButton", [](MDialog* d, int i) -> MControl* { return new CImageButton(d, i); }},
        {"CTextButton", [](MDialog* d, int i) -> MControl* { return new CTextButton(d, i); }},
        {"CSelectButton", [](MDialog* d, int i) -> MControl* { return new CSelectButton(d, i); }},
        {"LayerButton", [](MDialog* d, int i) -> MControl* { return new LayerButton(d, i); }},
        {"CCheckButton", [](MDialog* d, int i) -> MControl* { return new CCheckButton(d, i); }},
        {"CRadioButton", [](MDialog* d, int i) -> MControl* { return new CRadioButton(d, i); }},
        {"CColorButton", [](MDialog* d, int i) -> MControl* { return new CColorButton(d, i); }},
        {"MComboBox", [](MDialog* d, int i) -> MControl* { return new MComboBox(d, i); }},
        {"MComboBox2", [](MDialog* d, int i) -> MControl* { return new MComboBox2(d, i); }},
        {"MEdit", [](MDialog* d, int i) -> MControl* { return new MEdit(d, i); }},
        {"MSlider", [](MDialog* d, int i) -> MControl* { return new MSlider(d, i); }},
        {"CirclePalette", [](MDialog* d, int i) -> MControl* { return new CirclePalette(d, i); }},
        {"MacroListBox", [](MDialog* d, int i) -> MControl* { return new MacroListBox(d, i); }},
        {"CRecordList", [](MDialog* d, int i) -> MControl* { return new CRecordList(d, i); }},
        {"KeyboardCtrl", [](MDialog* d, int i) -> MControl* { return new KeyboardCtrl(d, i); }},
    };
    auto it = kMakers.find(className);
    return it == kMakers.end() ? nullptr : it->second(dialog, id);
}

}  // namespace vantora
