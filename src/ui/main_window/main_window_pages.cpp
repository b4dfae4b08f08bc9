// The main window's controls: the frame, the tab rows, every page, their
// placement, the texts in the current language and the keyboard pictures.
#include "app/config.h"
#include "i18n/strings.h"
#include "keys/function_catalogue.h"
#include "keys/profile_names.h"
#include "layouts/keyboard_layout.h"
#include "ui/main_window/home_picture.h"
#include "ui/main_window/main_window.h"
#include "ui/toolkit/skin.h"

#include <QWidget>
#include <array>
#include <cstdlib>

namespace vantora {
namespace {

const std::string& S(int id) {
    return GetUiString(id);
}

// The four state images of a name given by its normal one.
template <class T>
T* WithImages(T* control, const std::string& normalName) {
    control->SetStateImages(normalName);
    return control;
}

// The region below the keyboard pictures where each page keeps its settings.
constexpr CRect kConfigArea(211, 468, 1188, 690);
// The page tabs' place when config.ini gives none.
constexpr int kTabWidth = 189;
constexpr int kTabHeight = 63;
constexpr int kTabStep = 65;

struct TypeText {
    int stringId;
    int data;
};
// The MUSIC page's schemes: foreground (152) and background (156).
constexpr std::array<TypeText, 7> kForegroundSchemes{
    {{305, 13}, {306, 17}, {307, 19}, {308, 2}, {309, 4}, {310, 7}, {311, 5}}};
constexpr std::array<TypeText, 10> kBackgroundSchemes{
    {{322, 0}, {324, 13}, {325, 17}, {326, 19}, {327, 1}, {328, 2}, {329, 3}, {330, 4}, {331, 7}, {332, 5}}};
// The macro page's mouse buttons (148).
constexpr std::array<TypeText, 5> kMouseButtons{{{218, 1}, {219, 2}, {222, 3}, {220, 4}, {221, 5}}};
// The lighting page's preset colours (102 to 117), 0x00BBGGRR.
constexpr std::array<std::uint32_t, 16> kPresetColours{
    0x0000FF, 0xFC00FF, 0xFF007E, 0xFF0018, 0xFD8900, 0xFFFC00, 0x90FF00, 0x00FF00,
    0x00FFB4, 0x00F6FF, 0x00A8FF, 0x1354EA, 0xFFFFFF, 0x000000, 0x0098FF, 0xC3B700};

}  // namespace

std::string DeviceMainDlg::ConfigPath() const {
    return programFolder_ + "config.ini";
}
std::string DeviceMainDlg::ConfigText(const std::string& key) const {
    return ReadConfigStringFrom(ConfigPath(), key);
}
int DeviceMainDlg::ConfigInt(const std::string& key) const {
    return ReadConfigIntFrom(ConfigPath(), key);
}

MControl* DeviceMainDlg::PageContainer(int tabId) const {
    switch (tabId) {
        case kTabHome:
            return GetControl(kPageHome);
        case kTabDevice:
            return GetControl(kPageDevice);
        case kTabMacro:
            return GetControl(kPageMacro);
        case kTabMusic:
            return GetControl(kPageMusic);
        case kTabSetting:
            return GetControl(kPageSetting);
        default:
            return nullptr;
    }
}

void DeviceMainDlg::InitUI(const CRect& client) {
    CreateCommonControls(client);
    CreateHomePage(client);
    CreateKeyPage(client);
    CreateLightPage(client);
    CreateMacroPage(client);
    CreateMusicPage(client);
    CreateSettingPage(client);
    UISize(client);
}

void DeviceMainDlg::CreateCommonControls(const CRect& client) {
    const int w = client.Width();
    const int h = client.Height();
    CreateArea("MPicture", kIdBackground, {})->SetImage("bkg.png");
    auto* logo = static_cast<MPicture*>(CreateArea("MPicture", kIdLogo, {}));
    logo->SetImage("logo.png");
    auto* title = CreateArea("MText", kIdTitle, {}, ConfigText(std::to_string(CurrentUiLanguage.load())));
    title->SetTextSize(20);
    title->SetAlignment(kAlignCenter);
    // The title colour: COLOR as hexadecimal RGB, opaque; black when absent.
    const unsigned long rgb = std::strtoul(ConfigText("COLOR").c_str(), nullptr, 16);
    title->SetTextColor(0xFF000000u | static_cast<std::uint32_t>(rgb & 0xFFFFFFu));
    WithImages(Make<CImageButton>(kIdClose, {}), "sysbtn_close_n.png")->SetTooltip(S(5));
    WithImages(Make<CImageButton>(kIdMinimize, {}), "sysbtn_min_n.png")->SetTooltip(S(6));
    WithImages(Make<CImageButton>(kIdSettings, {}), "sysbtn_setting_n.png")->SetTooltip(S(7));

    const CRect pageRect(1, 55, w - 1, h - 25);
    Make<MTabLayout>(kPageHome, pageRect);
    Make<MTabLayout>(kPageDevice, pageRect)->SetVisible(false);
    MControl* device = GetControl(kPageDevice);
    const CRect subRect(200, 120, w - 1, h - 25);
    Make<MTabLayout>(kSubPageKey, subRect, {}, device);
    Make<MTabLayout>(kSubPageLight, subRect, {}, device)->SetVisible(false);
    Make<MTabLayout>(kPageMacro, pageRect)->SetVisible(false);
    Make<MTabLayout>(kPageMusic, {})->SetVisible(false);
    Make<MTabLayout>(kPageSetting, pageRect)->SetVisible(false);
}

// One row of the five page tabs inside `page`; MUSIC gets no place.
void DeviceMainDlg::CreateTabRow(MControl* page) {
    const int x = ConfigInt("TAB_X");
    const int y = ConfigInt("TAB_Y");
    int slot = 0;
    for (int id = kTabHome; id <= kTabSetting; ++id) {
        CRect rect;
        if (id != kTabMusic) {
            rect = CRect(x, y + slot * kTabStep, x + kTabWidth, y + slot * kTabStep + kTabHeight);
            ++slot;
        }
        auto* tab = WithImages(Make<CSelectButton>(id, rect, S(30 + id - kTabHome), page), "btn_tab_n.png");
        tab->SetTextSize(17);
    }
}

void DeviceMainDlg::CreateHomePage(const CRect& client) {
    MControl* page = GetControl(kPageHome);
    CreateTabRow(page);
    auto* picture = Make<HomeKeyboardPicture>(48, {}, {}, page);
    picture->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    picture->SetImage("device_kb.png", kImageCenter);
    auto* link = Make<CTextButton>(
        kIdWebLink,
        CRect(client.Width() - 320, client.Height() - 60, client.Width() - 20, client.Height() - 40), {},
        page);
    link->SetTextColor(kUiTextColor);
}

void DeviceMainDlg::CreateKeyPage(const CRect&) {
    MControl* device = GetControl(kPageDevice);
    MControl* page = GetControl(kSubPageKey);
    CreateTabRow(device);
    WithImages(Make<CSelectButton>(kTabKey, CRect(232, 72, 392, 112), S(101), device), "btn_tab_device_n.png")
        ->SetCheck(true);
    WithImages(Make<CSelectButton>(kTabLight, CRect(400, 72, 560, 112), S(102), device),
               "btn_tab_device_n.png");

    auto* standard = Make<LayerButton>(kIdStandardLayer, CRect(868, 112, 1024, 144), S(103), page);
    standard->SetStateImages("icon\\icon_layerbutton_n.png");
    standard->SetCheck(true);
    Make<LayerButton>(kIdFnLayer, CRect(1032, 112, 1188, 144), S(104), page)
        ->SetStateImages("icon\\icon_layerbutton_n.png");
    Make<KeyboardCtrl>(kIdKeyPicture, {}, {}, page)->SetKeyboardType(1);
    CreateArea("MPicture", 66, kConfigArea, {}, page)->SetImage("img_config_area.png");

    const int row1 = 484;
    const int row2 = 540;
    const int row3 = 596;
    auto label = [&](int id, const CRect& rect, const std::string& text) {
        MControl* c = CreateArea("MText", id, rect, text, page);
        c->SetTextColor(kUiTextColor);
        c->SetAlignment(kAlignLeft);
        return c;
    };
    label(73, CRect(236, row1, 336, row1 + 36), S(110));
    auto* profiles = Make<MComboBox>(kIdProfileList, CRect(336, row1, 576, row1 + 36), {}, page);
    profiles->SetTextColor(kUiTextColor);
    const std::array<std::pair<int, const char*>, 5> profileButtons{{{67, "btn_add_n.png"},
                                                                     {68, "btn_edit_n.png"},
                                                                     {69, "btn_del_n.png"},
                                                                     {70, "btn_import_n.png"},
                                                                     {71, "btn_export_n.png"}}};
    const std::array<int, 5> profileTips{15, 17, 16, 18, 19};
    for (std::size_t i = 0; i < profileButtons.size(); ++i) {
        const int x = 590 + static_cast<int>(i) * 44;
        WithImages(Make<CImageButton>(profileButtons[i].first, CRect(x, row1, x + 36, row1 + 36), {}, page),
                   profileButtons[i].second)
            ->SetTooltip(S(profileTips[i]));
    }
    WithImages(Make<CImageButton>(72, CRect(1136, row1, 1172, row1 + 36), {}, page), "btn_openkb_n.png");

    label(75, CRect(236, row2, 336, row2 + 36), S(111));
    auto* types = Make<MComboBox>(kIdFunctionType, CRect(336, row2, 576, row2 + 36), {}, page);
    types->SetTextColor(kUiTextColor);
    for (const CatalogueItem& item : FunctionTypeItems()) {
        types->AddItem(item.text, item.code);
    }
    types->SelectData(0);

    auto* values = Make<MComboBox>(77, CRect(336, row3, 576, row3 + 36), {}, page);
    values->SetTextColor(kUiTextColor);
    values->SetVisible(false);
    auto* text = Make<MEdit>(78, CRect(336, row3, 576, row3 + 36), {}, page);
    text->SetTextColor(kUiTextColor);
    text->SetVisible(false);
    label(79, CRect(236, row3, 336, row3 + 36), S(125))->SetVisible(false);
    auto* single = Make<MEdit>(80, CRect(336, row3, 576, row3 + 36), {}, page);
    single->SetCaptureField(true);
    single->SetVisible(false);
    label(81, CRect(600, row3, 690, row3 + 36), S(126))->SetVisible(false);
    auto* combo = Make<MEdit>(84, CRect(690, row3, 930, row3 + 36), {}, page);
    combo->SetCaptureField(true);
    combo->SetVisible(false);
    WithImages(Make<CImageButton>(87, CRect(590, row3, 626, row3 + 36), {}, page), "btn_openfile_n.png")
        ->SetVisible(false);
    WithImages(Make<CImageButton>(88, CRect(1136, row3 + 40, 1172, row3 + 76), {}, page), "btn_save_n.png")
        ->SetTooltip(S(21));
    ApplyKeyFieldImages();
}

// The key capture fields' look depends on the language (a Chinese and an
// English background).
void DeviceMainDlg::ApplyKeyFieldImages() {
    for (int id : {80, 84}) {
        MControl* field = GetControl(id);
        if (field == nullptr) {
            continue;
        }
        if (CurrentUiLanguage.load() == 2052) {
            field->SetStateImages("edit_key_bkg_n.png");
        } else {
            field->SetNormalImage("edit_key_bkg_n_en.png");
            field->SetHoverImage("edit_key_bkg_n_en.png");
            field->SetDownImage("edit_key_bkg_n_en.png");
            field->SetDisableImage("edit_key_bkg_d_en.png");
        }
    }
}

void DeviceMainDlg::CreateLightPage(const CRect&) {
    MControl* page = GetControl(kSubPageLight);
    auto* picture = Make<KeyboardCtrl>(kIdLightPicture, {}, {}, page);
    picture->SetKeyboardType(2);
    CreateArea("MPicture", 90, kConfigArea, {}, page)->SetImage("img_config_area.png");
    auto label = [&](int id, const CRect& rect, const std::string& text, int align = kAlignLeft) {
        MControl* c = CreateArea("MText", id, rect, text, page);
        c->SetTextColor(kUiTextColor);
        c->SetAlignment(align);
        return c;
    };
    // Left column: mode, brightness, speed, direction.
    label(91, CRect(236, 484, 346, 520), S(55));
    Make<MComboBox>(92, CRect(346, 484, 586, 520), {}, page)->SetTextColor(kUiTextColor);
    label(118, CRect(236, 532, 346, 562), S(57));
    auto* brightness = Make<MSlider>(119, CRect(346, 532, 586, 562), {}, page);
    brightness->SetRange(0, 100);
    brightness->SetProgress(100);
    label(120, CRect(236, 574, 346, 604), S(58));
    auto* speed = Make<MSlider>(121, CRect(346, 574, 586, 604), {}, page);
    speed->SetRange(0, 4);
    speed->SetProgress(3);
    label(122, CRect(236, 620, 346, 656), S(59));
    const std::array<const char*, 4> arrows{"\u2190", "\u2192", "\u2191", "\u2193"};
    for (int i = 0; i < 4; ++i) {
        const int x = 346 + (i % 2) * 70;
        auto* radio = Make<CRadioButton>(123 + i, CRect(x, 620, x + 60, 656), arrows[i], page);
        radio->SetGroupName("GROUP_LIGHT_DIRECTION");
        if (i >= 2) {
            radio->SetVisible(false);
        }
    }
    // Middle: the colour wheel.
    auto* palette = Make<CirclePalette>(93, CRect(622, 478, 822, 678), {}, page);
    palette->SetImage("img_circlepalette.png");
    // Right: R, G, B, colourful and the preset colours.
    const std::array<const char*, 3> channels{"R", "G", "B"};
    for (int i = 0; i < 3; ++i) {
        const int y = 484 + i * 44;
        label(94 + i, CRect(852, y, 874, y + 36), channels[i], kAlignCenter);
        auto* edit = Make<MEdit>(97 + i, CRect(878, y, 958, y + 36), {}, page);
        edit->SetDigitsOnly(true);
        edit->SetLimitText(3);
        edit->SetTextColor(kUiTextColor);
    }
    label(100, CRect(990, 484, 1110, 520), S(56));
    auto* colourful = Make<CCheckButton>(101, CRect(1120, 487, 1150, 517), {}, page);
    colourful->SetCheckImage("btn_checkbox_icon.png");
    colourful->SetStateImages("btn_checkbox_n.png");
    for (int i = 0; i < 16; ++i) {
        const int x = 990 + (i % 6) * 32;
        const int y = 536 + (i / 6) * 34;
        auto* swatch = Make<CColorButton>(102 + i, CRect(x, y, x + 26, y + 26), {}, page);
        swatch->SetGroupName("IDC_LIGHT_STC_DEFAULTCOLOR");
        swatch->SetColor(kPresetColours[static_cast<std::size_t>(i)]);
    }
}

void DeviceMainDlg::CreateMacroPage(const CRect&) {
    MControl* page = GetControl(kPageMacro);
    CreateTabRow(page);
    auto panel = [&](int id, const CRect& rect, const char* image) {
        CreateArea("MPicture", id, rect, {}, page)->SetImage(image);
    };
    auto label = [&](int id, const CRect& rect, const std::string& text) {
        MControl* c = CreateArea("MText", id, rect, text, page);
        c->SetTextColor(kUiTextColor);
        c->SetAlignment(kAlignLeft);
        return c;
    };
    // Macro list column.
    panel(127, CRect(232, 72, 512, 690), "img_macro_list_bkg.png");
    label(128, CRect(248, 82, 440, 118), S(201));
    WithImages(Make<CImageButton>(130, CRect(462, 82, 498, 118), {}, page), "btn_add_n.png")
        ->SetTooltip(S(202));
    auto* macros = Make<MacroListBox>(kIdMacroList, CRect(244, 128, 500, 678), {}, page);
    macros->SetItemImage("btn_macro_more.png");

    // Record column.
    panel(129, CRect(524, 72, 900, 690), "img_macro_record_bkg.png");
    panel(132, CRect(536, 82, 888, 122), "img_macro_toolbar.png");
    WithImages(Make<MButton>(133, CRect(540, 84, 680, 120), S(205), page), "btn_record_n.png");
    const std::array<std::pair<int, const char*>, 3> tools{
        {{134, "btn_del_n.png"}, {135, "btn_clear_n.png"}, {136, "btn_insert_n.png"}}};
    const std::array<int, 3> toolTips{16, 22, 23};
    for (std::size_t i = 0; i < tools.size(); ++i) {
        const int x = 760 + static_cast<int>(i) * 42;
        WithImages(Make<CImageButton>(tools[i].first, CRect(x, 84, x + 36, 120), {}, page), tools[i].second)
            ->SetTooltip(S(toolTips[i]));
    }
    panel(137, CRect(536, 130, 888, 680), "img_macro_records.png");
    auto* records = Make<CRecordList>(kIdRecordList, CRect(540, 134, 884, 676), {}, page);
    records->SetItemImage("btn_macro_more.png");
    const QString icons = skin::ImageFolder();
    records->SetTypeIcons({(icons + "icon//icon_record_key_down.png").toStdString(),
                           (icons + "icon//icon_record_key_up.png").toStdString(),
                           (icons + "icon//icon_record_mouse_down.png").toStdString(),
                           (icons + "icon//icon_record_mouse_up.png").toStdString()});

    // Settings column.
    panel(141, CRect(912, 72, 1188, 690), "img_macro_setting_bkg.png");
    label(140, CRect(928, 82, 1172, 118), S(210));
    panel(129, CRect(924, 128, 1176, 400), "img_macro_setting.png");
    label(142, CRect(936, 140, 1164, 168), S(211));
    auto* delay = Make<MEdit>(kIdMacroDelay, CRect(936, 172, 1164, 208), "10", page);
    delay->SetDigitsOnly(true);
    delay->SetLimitText(5);
    delay->SetTextColor(kUiTextColor);
    label(144, CRect(936, 220, 1164, 248), S(212));
    auto* command = Make<MComboBox2>(kIdMacroCommand, CRect(936, 252, 1164, 288), {}, page);
    command->SetTextColor(kUiTextColor);
    command->AddItem(S(216), 1);
    command->SetCurSel(0);
    label(146, CRect(936, 300, 1164, 328), S(215));
    auto* key = Make<MEdit>(kIdMacroKey, CRect(936, 332, 1164, 368), {}, page);
    key->SetCaptureField(true);
    key->SetTextColor(kUiTextColor);
    auto* mouse = Make<MComboBox2>(kIdMacroMouse, CRect(936, 332, 1164, 368), {}, page);
    mouse->SetTextColor(kUiTextColor);
    for (const TypeText& item : kMouseButtons) {
        mouse->AddItem(S(item.stringId), item.data);
    }
    mouse->SetCurSel(0);
    mouse->SetVisible(false);
    // Record editing waits for a macro's records.
    for (int id : std::initializer_list<int>{133, 134, 135, 136, kIdRecordList, kIdMacroDelay,
                                             kIdMacroCommand, kIdMacroKey}) {
        GetControl(id)->SetEnabled(false);
    }
    GetControls(129).back()->SetEnabled(false);
}

void DeviceMainDlg::CreateMusicPage(const CRect&) {
    MControl* page = GetControl(kPageMusic);
    CreateTabRow(page);
    Make<KeyboardCtrl>(kIdKeyPicture, {}, {}, page)->SetKeyboardType(2);
    CreateArea("MPicture", 66, kConfigArea, {}, page)->SetImage("img_config_area.png");
    auto label = [&](int id, const CRect& rect, int text) {
        MControl* c = CreateArea("MText", id, rect, S(text), page);
        c->SetTextColor(kUiTextColor);
        c->SetAlignment(kAlignLeft);
    };
    label(151, CRect(236, 484, 416, 520), 301);
    auto* foreground = Make<MComboBox>(152, CRect(416, 484, 656, 520), {}, page);
    for (const TypeText& item : kForegroundSchemes) {
        foreground->AddItem(S(item.stringId), item.data);
    }
    foreground->SetCurSel(0);
    label(153, CRect(236, 540, 416, 570), 320);
    auto* amplitude = Make<MSlider>(154, CRect(416, 540, 656, 570), {}, page);
    amplitude->SetRange(0, ConfigInt("MUSIC_AMPLITUDE"));
    amplitude->SetProgress(60);
    label(155, CRect(700, 484, 900, 520), 321);
    auto* background = Make<MComboBox>(156, CRect(900, 484, 1140, 520), {}, page);
    for (const TypeText& item : kBackgroundSchemes) {
        background->AddItem(S(item.stringId), item.data);
    }
    background->SetCurSel(0);
    label(157, CRect(700, 540, 900, 570), 350);
    auto* brightness = Make<MSlider>(158, CRect(900, 540, 1140, 570), {}, page);
    brightness->SetRange(0, 100);
    brightness->SetProgress(100);
}

void DeviceMainDlg::CreateSettingPage(const CRect&) {
    MControl* page = GetControl(kPageSetting);
    CreateTabRow(page);
    Make<KeyboardCtrl>(kIdSettingPicture, {}, {}, page)->SetKeyboardType(2);
    CreateArea("MPicture", 160, kConfigArea, {}, page)->SetImage("img_config_area.png");
    WithImages(Make<MButton>(kIdRestoreFactory, CRect(968, 620, 1168, 672), S(370), page), "btn_reset_n.png");
    MControl* group = CreateArea("MText", 162, CRect(240, 484, 640, 520), S(371), page);
    group->SetTextColor(kUiTextColor);
    group->SetAlignment(kAlignLeft);
    for (int i = 0; i < 3; ++i) {
        const int y = 532 + i * 44;
        auto* box = Make<CCheckButton>(kIdDisableWin + i, CRect(240, y, 600, y + 32), S(372 + i), page);
        box->SetCheckImage("btn_checkbox_icon.png");
        box->SetStateImages("btn_checkbox_n.png");
        box->SetAlignment(kAlignLeft);
    }
}

void DeviceMainDlg::UISize(const CRect& client) {
    const int w = client.Width();
    const int h = client.Height();
    if (MControl* background = GetControl(kIdBackground)) {
        background->SetRect(client);
    }
    if (auto* logo = GetControlAs<MPicture>(kIdLogo)) {
        const QSize size = logo->GetImageSize();
        const int x = ConfigInt("LOGO_X");
        const int y = ConfigInt("LOGO_Y");
        logo->SetRect(CRect(x, y, x + size.width(), y + size.height()));
    }
    if (MControl* title = GetControl(kIdTitle)) {
        title->SetRect(CRect(w / 2 - 180, 12, w / 2 + 180, 42));
    }
    if (MControl* close = GetControl(kIdClose)) {
        close->SetRect(CRect(w - 75, 20, w - 56, 39));
    }
    if (MControl* minimize = GetControl(kIdMinimize)) {
        minimize->SetRect(CRect(w - 114, 20, w - 95, 39));
    }
    if (MControl* settings = GetControl(kIdSettings)) {
        settings->SetRect(CRect(w - 153, 20, w - 135, 38));
    }
    const CRect pageRect(1, 55, w - 1, h - 25);
    for (int id : {kPageHome, kPageDevice, kPageMacro, kPageSetting}) {
        if (MControl* page = GetControl(id)) {
            page->SetRect(pageRect);
        }
    }
    for (int id : {kSubPageKey, kSubPageLight}) {
        if (MControl* page = GetControl(id)) {
            page->SetRect(CRect(200, 120, w - 1, h - 25));
        }
    }
    if (auto* home = GetControlAs<HomeKeyboardPicture>(48)) {
        const int x = ConfigInt("KB_IMAGE_X");
        const int y = ConfigInt("KB_IMAGE_Y");
        const QSize size = home->OwnSize(QSize(std::max(0, w - x - 24), std::max(0, h - y - 90)));
        home->SetRect(CRect(x, y, x + size.width(), y + size.height()));
    }
}

std::vector<KeyboardCtrl*> DeviceMainDlg::KeyboardPictures() const {
    std::vector<KeyboardCtrl*> pictures;
    const auto keyPictures = GetControls(kIdKeyPicture);  // KEY, then MUSIC
    auto add = [&](MControl* c) {
        if (auto* kb = qobject_cast<KeyboardCtrl*>(c)) {
            pictures.push_back(kb);
        }
    };
    if (!keyPictures.empty()) {
        add(keyPictures.front());
    }
    add(GetControl(kIdLightPicture));
    if (keyPictures.size() > 1) {
        add(keyPictures[1]);
    }
    add(GetControl(kIdSettingPicture));
    return pictures;
}

// The model's layout file into the four keyboard pictures (KEY, LIGHT,
// MUSIC, SETTING) and the key maps the downloads consult.
void DeviceMainDlg::LoadKeyboardLayoutIntoPictures() {
    const std::vector<KeyboardCtrl*> pictures = KeyboardPictures();
    for (KeyboardCtrl* kb : pictures) {
        kb->ClearItem();
    }
    layoutName_ = LayoutNameForNumber(ConfigInt("LAYOUT"));
    const KeyboardLayout layout = LoadKeyboardLayoutFrom(programFolder_);
    codeToIndex_ = layout.codeToIndex;
    indexToCode_ = layout.indexToCode;
    layoutRows_ = layout.rowCount;
    layoutColumns_ = layout.colCount;
    if (!layout.hasPicture) {
        return;
    }
    const LayoutRect& r = layout.picture;
    for (KeyboardCtrl* kb : pictures) {
        kb->SetRect(CRect(r.left, r.top, r.right, r.bottom));
        kb->SetKeyboardBkgColor(0x565656, CRect(0, 0, r.Width(), r.Height()));
        kb->SetKeyPosition(0, 0);
    }
    std::vector<QRect> homeKeys;
    for (const LayoutKey& key : layout.keys) {
        const CRect rect(key.rect.left, key.rect.top, key.rect.right, key.rect.bottom);
        for (KeyboardCtrl* kb : pictures) {
            kb->AddKeyItem(key.name, key.desc, key.code, rect);
        }
        homeKeys.push_back(rect.ToQRect());
    }
    if (auto* home = GetControlAs<HomeKeyboardPicture>(48)) {
        home->SetKeys(QSize(r.Width(), r.Height()), std::move(homeKeys));
        UISize(GetClientRect());
    }
}

void DeviceMainDlg::RefreshTexts() {
    if (MControl* title = GetControl(kIdTitle)) {
        title->SetTitle(ConfigText(std::to_string(CurrentUiLanguage.load())));
    }
    GetControl(kIdClose)->SetTooltip(S(5));
    GetControl(kIdMinimize)->SetTooltip(S(6));
    GetControl(kIdSettings)->SetTooltip(S(7));
    for (int id = kTabHome; id <= kTabSetting; ++id) {
        for (MControl* tab : GetControls(id)) {
            tab->SetTitle(S(30 + id - kTabHome));
        }
    }
    auto setTitle = [this](int id, int text) {
        for (MControl* c : GetControls(id)) {
            c->SetTitle(S(text));
        }
    };
    auto setTip = [this](int id, int text) {
        if (MControl* c = GetControl(id)) {
            c->SetTooltip(S(text));
        }
    };
    // DEVICE page, KEY sub-page.
    setTitle(kTabKey, 101);
    setTitle(kTabLight, 102);
    setTitle(kIdStandardLayer, 103);
    setTitle(kIdFnLayer, 104);
    setTitle(73, 110);
    setTip(67, 15);
    setTip(68, 17);
    setTip(69, 16);
    setTip(70, 18);
    setTip(71, 19);
    setTitle(75, 111);
    if (auto* types = GetControlAs<MComboBox>(kIdFunctionType)) {
        const std::vector<CatalogueItem> items = FunctionTypeItems();
        for (const CatalogueItem& item : items) {
            const int index = types->FindData(item.code);
            if (index >= 0) {
                types->SetItemText(index, item.text);
            }
        }
    }
    setTitle(79, 125);
    setTitle(81, 126);
    setTip(88, 21);
    ApplyKeyFieldImages();
    if (auto* profiles = GetControlAs<MComboBox>(kIdProfileList)) {
        std::vector<ProfileItem> list;
        db_.ListProfiles(list);
        for (const ProfileItem& item : list) {
            const int index = profiles->FindData(item.profile);
            if (index >= 0) {
                profiles->SetItemText(index, DisplayProfileName(item.name, CurrentUiLanguage.load()));
            }
        }
        profiles->SelectData(selection_.profile.load());
    }
    // LIGHT sub-page (the mode list is rebuilt by the lighting page).
    setTitle(91, 55);
    setTitle(100, 56);
    setTitle(118, 57);
    setTitle(120, 58);
    setTitle(122, 59);
    RefreshLightPage();
    // MACRO page.
    setTitle(128, 201);
    setTip(130, 202);
    setTitle(133, 205);
    setTip(134, 16);
    setTip(135, 22);
    setTip(136, 23);
    setTitle(140, 210);
    setTitle(142, 211);
    setTitle(144, 212);
    setTitle(146, 215);
    if (auto* command = GetControlAs<MComboBox>(kIdMacroCommand)) {
        command->SetItemText(0, S(216));
    }
    if (auto* mouse = GetControlAs<MComboBox>(kIdMacroMouse)) {
        for (std::size_t i = 0; i < kMouseButtons.size(); ++i) {
            mouse->SetItemText(static_cast<int>(i), S(kMouseButtons[i].stringId));
        }
    }
    // MUSIC page.
    setTitle(151, 301);
    setTitle(153, 320);
    setTitle(155, 321);
    setTitle(157, 350);
    if (auto* foreground = GetControlAs<MComboBox>(152)) {
        for (std::size_t i = 0; i < kForegroundSchemes.size(); ++i) {
            foreground->SetItemText(static_cast<int>(i), S(kForegroundSchemes[i].stringId));
        }
    }
    if (auto* background = GetControlAs<MComboBox>(156)) {
        for (std::size_t i = 0; i < kBackgroundSchemes.size(); ++i) {
            background->SetItemText(static_cast<int>(i), S(kBackgroundSchemes[i].stringId));
        }
    }
    // SETTING page.
    setTitle(kIdRestoreFactory, 370);
    setTitle(162, 371);
    setTitle(kIdDisableWin, 372);
    setTitle(kIdDisableAltTab, 373);
    setTitle(kIdDisableAltF4, 374);
}

}  // namespace vantora
