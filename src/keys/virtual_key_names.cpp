#include "keys/virtual_key_names.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vantora {
namespace {

struct NamedKey {
    unsigned virtualKey;
    std::string_view name;
};

// Letters and digits are added by code below; this is every other key.
constexpr NamedKey kNamedKeys[] = {
    {8, "Backspace"},     {9, "Tab"},         {13, "Enter"},     {16, "Shift"},        {17, "Ctrl"},
    {18, "Alt"},          {19, "Pause"},      {20, "Caps Lock"}, {27, "Esc"},          {32, "Space"},
    {33, "Page Up"},      {34, "Page Down"},  {35, "End"},       {36, "Home"},         {37, "Left"},
    {38, "Up"},           {39, "Right"},      {40, "Down"},      {44, "Print Screen"}, {45, "Insert"},
    {46, "Delete"},       {91, "Windows"},    {92, "RWindows"},  {93, "Application"},  {96, "Num 0"},
    {97, "Num 1"},        {98, "Num 2"},      {99, "Num 3"},     {100, "Num 4"},       {101, "Num 5"},
    {102, "Num 6"},       {103, "Num 7"},     {104, "Num 8"},    {105, "Num 9"},       {106, "Num *"},
    {107, "Num +"},       {108, "Num Enter"}, {109, "Num -"},    {110, "Num Del"},     {111, "Num /"},
    {112, "F1"},          {113, "F2"},        {114, "F3"},       {115, "F4"},          {116, "F5"},
    {117, "F6"},          {118, "F7"},        {119, "F8"},       {120, "F9"},          {121, "F10"},
    {122, "F11"},         {123, "F12"},       {124, "F13"},      {125, "F14"},         {126, "F15"},
    {127, "F16"},         {128, "F17"},       {129, "F18"},      {130, "F19"},         {131, "F20"},
    {132, "F21"},         {133, "F22"},       {134, "F23"},      {135, "F24"},         {144, "Num Lock"},
    {145, "Scroll Lock"}, {160, "Shift"},     {161, "RShift"},   {162, "Ctrl"},        {163, "RCtrl"},
    {164, "Alt"},         {165, "RAlt"},      {186, ";"},        {187, "="},           {188, ","},
    {189, "-"},           {190, "."},         {191, "/"},        {192, "`"},           {219, "["},
    {220, "\\"},          {221, "]"},         {222, "'"},        {226, "OEM 102"},     {254, "Fn"},
    {666, "#"},
};

constexpr std::string_view kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
constexpr std::string_view kLetters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                         "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::string_view VirtualKeyName(unsigned virtualKey) {
    if (virtualKey >= '0' && virtualKey <= '9') {
        return kDigits[virtualKey - '0'];
    }
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return kLetters[virtualKey - 'A'];
    }
    for (const NamedKey& key : kNamedKeys) {
        if (key.virtualKey == virtualKey) {
            return key.name;
        }
    }
    return {};
}

unsigned VirtualKeyFromName(std::string_view name) {
    name = Trim(name);
    if (name.size() == 1) {
        const auto c = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(name[0])));
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) {
            return c;
        }
    }
    for (const NamedKey& key : kNamedKeys) {
        if (key.virtualKey >= 16 && key.virtualKey <= 18) {
            continue;  // the left keys carry these names
        }
        if (SameIgnoringCase(key.name, name)) {
            return key.virtualKey;
        }
    }
    return 0;
}

}  // namespace vantora
