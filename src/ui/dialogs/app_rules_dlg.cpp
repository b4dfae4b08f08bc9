#include "ui/dialogs/app_rules_dlg.h"

#include "i18n/strings.h"
#include "keys/profile_names.h"
#include "platform/installed_applications.h"
#include "session/app_rules.h"
#include "text/item_names.h"
#include "ui/desktop/app_profile_follower.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/pages/own_texts.h"
#include "ui/toolkit/toolkit.h"

#include <algorithm>

namespace vantora {
namespace {

constexpr std::uint32_t kFieldText = 0xFF38E3ED;

int DesktopText(const std::string& source) {
    if (source == "x11") {
        return ui_text::kDesktopX11;
    }
    if (source == "wlroots") {
        return ui_text::kDesktopWlroots;
    }
    if (source == "kwin") {
        return ui_text::kDesktopKWin;
    }
    return source == "gnome" ? ui_text::kDesktopGnome : 0;
}

}  // namespace

AppRulesDlg::AppRulesDlg(ProfileDatabase& db, AppProfileFollower* follower) : db_(db), follower_(follower) {}

int AppRulesDlg::Run(MDialog* parent) {
    Create(parent, "AppRulesDlg", CRect(0, 0, kWidth, kHeight));
    CenterWindow();
    return ShowModal(5);
}

std::string AppRulesDlg::ProfileName(int profile) const {
    std::vector<ProfileItem> list;
    db_.ListProfiles(list);
    for (const ProfileItem& item : list) {
        if (item.profile == profile) {
            return DisplayProfileName(item.name, CurrentUiLanguage.load());
        }
    }
    return std::to_string(profile);
}

void AppRulesDlg::InitUI(const CRect& client) {
    Make<MPicture>(kIdBackground, {})->SetImage("dlg_setting_bkg.png");
    auto* caption = Make<MText>(kIdCaption, {}, GetUiString(ui_text::kAppRulesTitle));
    caption->SetTextSize(20);
    caption->SetAlignment(kAlignCenter);
    caption->SetTextColor(skin::kUiTextColor);
    auto* close = Make<CImageButton>(kIdClose, {});
    close->SetStateImages("sysbtn_close_n.png");
    close->SetTooltip(GetUiString(5));
    close->setFocusPolicy(Qt::NoFocus);
    const std::string source = follower_ != nullptr ? follower_->SourceName() : std::string();
    const int desktop = DesktopText(source);
    auto* sourceLine =
        Make<MText>(kIdSource, {},
                    desktop != 0 ? FormatUiString(ui_text::kAppSourceInUse, {GetUiString(desktop)})
                                 : GetUiString(ui_text::kAppSourceUnavailable));
    sourceLine->SetAlignment(kAlignCenter);
    sourceLine->SetTextSize(13);
    sourceLine->SetTextColor(skin::kUiTextColor);

    const std::pair<int, int> labels[] = {{kIdRulesLabel, ui_text::kAppRules},
                                          {kIdAppLabel, ui_text::kAppRuleApplication},
                                          {kIdTitleLabel, ui_text::kAppRuleTitle},
                                          {kIdProfileLabel, ui_text::kAppRuleProfile},
                                          {kIdDefaultLabel, ui_text::kAppRuleOthers}};
    for (const auto& [id, text] : labels) {
        auto* label = Make<MText>(id, {}, GetUiString(text));
        label->SetTextColor(kFieldText);
        label->SetAlignment(kAlignRight);
    }
    for (int id : {kIdRules, kIdAppChoices, kIdProfile, kIdDefault}) {
        auto* combo = Make<MComboBox2>(id, {});
        combo->SetTextColor(kFieldText);
        combo->SetStateImages("img_macro_combox_n.png");
        combo->SetDropDownImage("btn_combobox_drapdown_n.png");
    }
    for (int id : {kIdApp, kIdTitle}) {
        auto* edit = Make<MEdit>(id, {});
        edit->SetTextColor(kFieldText);
        edit->SetTextSize(14);
        edit->SetStateImages("img_edit_bkg_n.png");
        edit->SetLimitText(200);
    }
    Make<MButton>(kIdRemove, {}, GetUiString(ui_text::kAppRuleRemove))->SetStateImages("btn_appy_n.png");
    Make<MButton>(kIdAdd, {}, GetUiString(ui_text::kAppRuleAdd))->SetStateImages("btn_appy_n.png");
    auto* follow = Make<CCheckButton>(kIdFollow, {}, GetUiString(ui_text::kAppRuleFollow));
    follow->SetStateImages("btn_checkbox_n.png");
    follow->SetCheckImage("btn_checkbox_icon.png");

    const AppProfileSettings settings = LoadAppProfileSettings(db_);
    follow->SetCheck(settings.enabled);
    std::vector<ProfileItem> profiles;
    db_.ListProfiles(profiles);
    auto* profile = GetControlAs<MComboBox>(kIdProfile);
    auto* fallback = GetControlAs<MComboBox>(kIdDefault);
    fallback->AddItem(GetUiString(ui_text::kAppRuleKeep), 0);
    for (const ProfileItem& item : profiles) {
        const std::string name = DisplayProfileName(item.name, CurrentUiLanguage.load());
        profile->AddItem(name, item.profile);
        fallback->AddItem(name, item.profile);
    }
    profile->SetCurSel(profiles.empty() ? -1 : 0);
    if (fallback->SelectData(settings.defaultProfile) < 0) {
        fallback->SetCurSel(0);  // its profile is gone: other applications keep theirs
    }
    // Applications seen in front since the start first, then the installed ones.
    auto* choices = GetControlAs<MComboBox>(kIdAppChoices);
    if (follower_ != nullptr) {
        for (const std::string& id : follower_->SeenApplications()) {
            appIds_.push_back(id);
            choices->AddItem(FormatUiString(ui_text::kAppSeenInFront, {id}),
                             static_cast<std::intptr_t>(appIds_.size()));
        }
    }
    for (const InstalledApplication& app : ListInstalledApplications()) {
        appIds_.push_back(app.id);
        choices->AddItem(app.name + " (" + app.id + ")", static_cast<std::intptr_t>(appIds_.size()));
    }
    choices->SetCurSel(-1);
    ShowRules();
    UISize(client);
}

void AppRulesDlg::ShowRules() {
    auto* rules = GetControlAs<MComboBox>(kIdRules);
    rules->DelAllItems();
    for (const ListedRule& listed : ListRules(db_)) {
        const ProfileRule& rule = listed.rule;
        const std::string profile = ProfileName(rule.profile);
        std::string text =
            rule.title_pattern.empty()
                ? FormatUiString(ui_text::kAppRuleText, {rule.app_id, profile})
                : FormatUiString(ui_text::kAppRuleTitleText, {rule.app_id, rule.title_pattern, profile});
        if (listed.broken) {
            text = FormatUiString(ui_text::kAppRuleBroken, {text});
        }
        rules->AddItem(text, rule.rule_id);
    }
    if (rules->GetCount() == 0) {
        rules->AddItem(GetUiString(ui_text::kAppRuleNone), 0);
    }
    rules->SetCurSel(0);
}

void AppRulesDlg::UISize(const CRect& client) {
    const int w = client.Width();
    const int h = client.Height();
    constexpr int kLabel = 150;  // labels end here, fields start after
    constexpr int kRow = 50;
    constexpr int kTop = 110;
    auto row = [](int index) { return kTop + index * kRow; };
    const std::pair<int, CRect> places[] = {
        {kIdBackground, CRect(0, 0, w, h)},
        {kIdCaption, CRect(w / 2 - 200, 20, w / 2 + 200, 50)},
        {kIdClose, CRect(w - 40, 15, w - 21, 34)},
        {kIdSource, CRect(30, 60, w - 30, 95)},
        {kIdRulesLabel, CRect(20, row(0), kLabel - 10, row(0) + 40)},
        {kIdRules, CRect(kLabel, row(0), w - 150, row(0) + 40)},
        {kIdRemove, CRect(w - 140, row(0) - 4, w - 20, row(0) + 44)},
        {kIdAppLabel, CRect(20, row(1), kLabel - 10, row(1) + 40)},
        {kIdApp, CRect(kLabel, row(1), kLabel + 180, row(1) + 40)},
        {kIdAppChoices, CRect(kLabel + 190, row(1), w - 20, row(1) + 40)},
        {kIdTitleLabel, CRect(20, row(2), kLabel - 10, row(2) + 40)},
        {kIdTitle, CRect(kLabel, row(2), w - 20, row(2) + 40)},
        {kIdProfileLabel, CRect(20, row(3), kLabel - 10, row(3) + 40)},
        {kIdProfile, CRect(kLabel, row(3), w - 150, row(3) + 40)},
        {kIdAdd, CRect(w - 140, row(3) - 4, w - 20, row(3) + 44)},
        {kIdDefaultLabel, CRect(20, row(4) + 20, kLabel - 10, row(4) + 60)},
        {kIdDefault, CRect(kLabel, row(4) + 20, w - 20, row(4) + 60)},
        {kIdFollow, CRect(kLabel, row(5) + 30, w - 20, row(5) + 60)},
    };
    for (const auto& [id, rect] : places) {
        if (auto* c = GetControl(id)) {
            c->SetRect(rect);
        }
    }
}

int AppRulesDlg::OnMessage(int id, int code, std::uintptr_t, std::intptr_t) {
    if (code != kNotifyClick && !(id == kIdTitle && code == kNotifyEnter)) {
        return 0;
    }
    switch (id) {
        case kIdClose:
            DoCancel();
            return 1;
        case kIdRemove:
            RemoveRule();
            return 1;
        case kIdAdd:
        case kIdTitle:
            AddRule();
            return 1;
        case kIdAppChoices:
            AppChosen();
            return 1;
        case kIdDefault:
            DefaultChosen();
            return 1;
        case kIdFollow:
            FollowToggled();
            return 1;
        default:
            return 0;
    }
}

void AppRulesDlg::AppChosen() {
    const auto index = static_cast<std::size_t>(GetControlAs<MComboBox>(kIdAppChoices)->GetCurData(0));
    if (index >= 1 && index <= appIds_.size()) {
        GetControl(kIdApp)->SetTitle(appIds_[index - 1]);
    }
}

void AppRulesDlg::AddRule() {
    ProfileRule rule;
    rule.app_id = GetControl(kIdApp)->GetTitle();
    rule.title_pattern = GetControl(kIdTitle)->GetTitle();
    rule.profile = static_cast<int>(GetControlAs<MComboBox>(kIdProfile)->GetCurData(0));
    if (CheckItemName(rule.app_id) != NameFault::kNone) {
        ShowMessageBox(this, GetUiString(ui_text::kAppRuleNoApp), GetUiString(ui_text::kAppRulesTitle));
        return;
    }
    if (rule.profile <= 0 || db_.AddProfileRule(rule) == 0) {
        ShowMessageBox(this, GetUiString(ui_text::kNotStored), GetUiString(ui_text::kAppRulesTitle));
        return;
    }
    GetControl(kIdApp)->SetTitle("");
    GetControl(kIdTitle)->SetTitle("");
    ShowRules();
    GetControlAs<MComboBox>(kIdRules)->SetCurSel(GetControlAs<MComboBox>(kIdRules)->GetCount() - 1);
}

void AppRulesDlg::RemoveRule() {
    const auto rule = static_cast<int>(GetControlAs<MComboBox>(kIdRules)->GetCurData(0));
    if (rule <= 0) {
        return;
    }
    if (!db_.RemoveProfileRule(rule)) {
        ShowMessageBox(this, GetUiString(ui_text::kNotStored), GetUiString(ui_text::kAppRulesTitle));
    }
    ShowRules();
}

void AppRulesDlg::DefaultChosen() {
    const auto profile = static_cast<int>(GetControlAs<MComboBox>(kIdDefault)->GetCurData(0));
    if (!StoreAppProfileDefault(db_, profile)) {
        ShowMessageBox(this, GetUiString(ui_text::kNotStored), GetUiString(ui_text::kAppRulesTitle));
    }
}

void AppRulesDlg::FollowToggled() {
    auto* follow = GetControlAs<CCheckButton>(kIdFollow);
    if (!StoreAppProfileEnabled(db_, follow->GetCheck())) {
        follow->SetCheck(!follow->GetCheck());
        ShowMessageBox(this, GetUiString(ui_text::kNotStored), GetUiString(ui_text::kAppRulesTitle));
    } else if (follower_ != nullptr) {
        follower_->TellSettingsChanged();
    }
}

}  // namespace vantora
