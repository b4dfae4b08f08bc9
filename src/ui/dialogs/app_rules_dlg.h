#pragma once

#include "ui/toolkit/mdialog.h"

#include <string>
#include <vector>

namespace vantora {

class AppProfileFollower;
class ProfileDatabase;

// The profiles that follow the application in front: the rules in the order
// they are tried (a broken one marked), a new rule (an application seen in
// front or installed, or any id typed, an optional title pattern and a
// profile), the profile for other applications, the pause switch and how
// the application in front is learned here. Every change is stored at once.
class AppRulesDlg : public MDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 470;

    enum ControlId : int {
        kIdBackground = 31,
        kIdCaption,
        kIdClose,
        kIdSource,
        kIdRulesLabel,
        kIdRules,
        kIdRemove,
        kIdAppLabel,
        kIdAppChoices,
        kIdApp,
        kIdTitleLabel,
        kIdTitle,
        kIdProfileLabel,
        kIdProfile,
        kIdAdd,
        kIdDefaultLabel,
        kIdDefault,
        kIdFollow,
    };

    // `follower` may be null (no source, no applications seen).
    AppRulesDlg(ProfileDatabase& db, AppProfileFollower* follower);
    int Run(MDialog* parent);

    void InitUI(const CRect& client) override;
    void UISize(const CRect& client) override;
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;

private:
    void ShowRules();
    void AddRule();
    void RemoveRule();
    void DefaultChosen();
    void FollowToggled();
    void AppChosen();
    std::string ProfileName(int profile) const;

    ProfileDatabase& db_;
    AppProfileFollower* follower_;
    std::vector<std::string> appIds_;  // the ids behind the application choices
};

}  // namespace vantora
