#include "keys/profile_editor.h"

#include <algorithm>

#include "text/item_names.h"

namespace vantora {

std::vector<ProfileItem> ProfileEditor::List() {
    std::vector<ProfileItem> list;
    db_.ListProfiles(list);
    return list;
}

bool ProfileEditor::Exists(int id) {
    const auto list = List();
    return std::any_of(list.begin(), list.end(),
                       [id](const ProfileItem& item) { return item.profile == id; });
}

ProfileEditor::Result ProfileEditor::Activate(int id) {
    if (!db_.SetActiveProfile(id)) {
        return Result::kStoreFailed;
    }
    selection_.profile = id;
    return Result::kDone;
}

std::string ProfileEditor::NextDefaultName(const std::string& defaultWord) {
    return defaultWord + " " + std::to_string(List().size() + 1);
}

ProfileEditor::Result ProfileEditor::Add(const std::string& name, int& newId) {
    newId = 0;
    if (CheckItemName(name) != NameFault::kNone) {
        return Result::kRefused;
    }
    newId = db_.AddProfile(name);
    if (newId == 0) {
        return Result::kStoreFailed;
    }
    return Activate(newId);
}

ProfileEditor::Result ProfileEditor::Select(int id) {
    if (!Exists(id)) {
        return Result::kNotFound;
    }
    return Activate(id);
}

ProfileEditor::Result ProfileEditor::Rename(int id, const std::string& name) {
    if (!Exists(id)) {
        return Result::kNotFound;
    }
    if (CheckItemName(name) != NameFault::kNone) {
        return Result::kRefused;
    }
    return db_.RenameProfile(id, name) ? Result::kDone : Result::kStoreFailed;
}

ProfileEditor::Result ProfileEditor::Delete(int id) {
    const auto list = List();
    const auto it =
        std::find_if(list.begin(), list.end(), [id](const ProfileItem& item) { return item.profile == id; });
    if (it == list.end()) {
        return Result::kNotFound;
    }
    if (list.size() <= 1) {
        return Result::kRefused;
    }
    const bool wasActive = db_.GetActiveProfile() == id;
    // The neighbour listed before, or after when the first one goes.
    const int neighbour = it == list.begin() ? std::next(it)->profile : std::prev(it)->profile;
    if (!db_.DeleteProfile(id)) {
        return Result::kStoreFailed;
    }
    if (wasActive || selection_.profile.load() == id) {
        return Activate(neighbour);
    }
    return Result::kDone;
}

}  // namespace vantora
