#pragma once

#include <string>

namespace vantora {

// Plain value records of the profile database, one per table row. Lists are
// returned as std::vector of these records, owned by the caller. Text is UTF-8.

// A row of t_profile_data.
struct ProfileItem {
    int profile = 0;
    std::string name;
    int status = 0;  // 1 for the active profile
};

// A row of t_key_macro_data: what one key of a profile and layer does.
struct KeyAssignment {
    int key_id = 0;
    int profile = 0;
    int fn_layer = 0;  // 0 standard layer, 1 FN layer
    int key_code = 0;  // HID keyboard usage of the key, > 0
    int layout_value = 0;
    std::string layout_desc;
    int macro_type = 0;  // function type code
    int macro_value = 0;
    int macro_value2 = 0;
    int macro_value3 = 0;
    std::string macro_desc;
};

// A row of t_key_otherdata without its id: a host-side function.
struct OtherData {
    std::string macro_desc;  // program label, web address or text to send
    std::string param;       // full program path for applications
    int type = 0;            // 8 Application, 9 Website, 10 Send Text
};

// A row of t_light_data.
struct LightMode {
    int light_id = 0;
    int profile = 0;
    std::string name;
    int mode = 0;
    int brightness = 0;
    int speed = 0;
    int direction = 0;
    int colorful = 0;
    int colorindex = 0;
    int color_value = 0;  // 0x00BBGGRR
    int config_func = 0;
    int reserved = 0;  // string id of the mode's name
    int status = 0;    // 1 for the current mode
};

// A row of t_key_light_data. light_id holds the light mode number.
struct KeyColour {
    int keylight_id = 0;
    int profile = 0;
    int light_id = 0;
    int key_code = 0;
    int key_rgb = 0;  // 0x00BBGGRR
};

// A row of t_musiclayer_data (the unused `sel` column is not read).
struct MusicLayer {
    int layer_id = 0;
    int profile = 0;
    std::string name;
    int deviceindex = 0;
    int foremode = 0;
    int fore_amplitude = 0;
    int backmode = 0;
    int backb_right = 0;
};

// A row of t_macro_data.
struct Macro {
    int macro_id = 0;
    std::string name;
    int link_count = 0;
    int play_times = 0;
    int delay_type = 0;
    int delay_time = 0;
};

// A row of t_macrorecord: one step of a macro.
struct MacroStep {
    int record_id = 0;
    int macro_id = 0;
    int type = 0;  // 2 key down, 3 key up, 4 mouse button down, 5 mouse button up
    int record_index = 0;
    int value = 0;
    int delay_time = 0;
    std::string desc;
};

// A row of t_profile_rule: the profile chosen while an application is in
// front. `app_id` is compared without regard to ASCII case; `title_pattern`
// is a glob on the whole window title (empty: any title). Rules are tried in
// ascending `position`.
struct ProfileRule {
    int rule_id = 0;
    std::string app_id;
    std::string title_pattern;
    int profile = 0;
    int position = 0;
};

}  // namespace vantora
