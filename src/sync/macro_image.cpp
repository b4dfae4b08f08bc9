#include "sync/macro_image.h"

#include <algorithm>

#include "device/virtual_keys.h"

namespace vantora {
namespace {

bool IsModifierVirtualKey(int value) {
    // The test is made on the stored value before conversion.
    return value >= 224 && value <= 231;
}

std::uint8_t KeyUsage(int value) {
    return static_cast<std::uint8_t>(VirtualKeyToUsage(static_cast<unsigned>(value)) & 0xFFu);
}

}  // namespace

std::array<std::uint8_t, 4> EncodeMacroRecord(const MacroStep& step, bool lastOfMacro) {
    std::array<std::uint8_t, 4> record{};
    // The keyboard holds 16 bits: a longer stored delay plays as the longest.
    const unsigned delay =
        step.delay_time > 0 ? std::min(static_cast<unsigned>(step.delay_time), 0xFFFFu) : 1u;
    record[0] = static_cast<std::uint8_t>(delay & 0xFFu);
    record[1] = static_cast<std::uint8_t>((delay >> 8) & 0xFFu);
    const std::uint8_t keyFlag = IsModifierVirtualKey(step.value) ? 0x01 : 0x02;
    switch (step.type) {
        case 2:  // key down
            record[2] = static_cast<std::uint8_t>(0x40 | keyFlag);
            record[3] = KeyUsage(step.value);
            break;
        case 3:  // key up
            record[2] = static_cast<std::uint8_t>(keyFlag | (lastOfMacro ? 0x80 : 0x00));
            record[3] = KeyUsage(step.value);
            break;
        case 4:  // mouse button down
            record[2] = 0xC2;
            record[3] = static_cast<std::uint8_t>(static_cast<unsigned>(step.value) & 0xFFu);
            break;
        case 5:  // mouse button up
            record[2] = 0x82;
            record[3] = static_cast<std::uint8_t>(static_cast<unsigned>(step.value) & 0xFFu);
            break;
        default:
            break;
    }
    return record;
}

MacroImage PlanMacroMemory(const std::vector<int>& macroIds, const std::vector<int>& recordCounts) {
    MacroImage image;
    int recordsLeft = kMacroRecordCapacity;
    for (std::size_t position = 0; position < macroIds.size(); ++position) {
        const int id = macroIds[position];
        const int count = position < recordCounts.size() ? std::max(recordCounts[position], 0) : 0;
        if (position >= static_cast<std::size_t>(kMacroDirectorySlots)) {
            image.leftOut.push_back({id, static_cast<int>(position), MacroLeftOutReason::kDirectoryFull});
            continue;
        }
        if (count > recordsLeft) {
            image.leftOut.push_back({id, static_cast<int>(position), MacroLeftOutReason::kMemoryFull});
            continue;
        }
        recordsLeft -= count;
        image.positions.Set(id, static_cast<int>(position));
    }
    image.end = kMacroDirectoryBytes +
                static_cast<std::size_t>(kMacroRecordCapacity - recordsLeft) * kMacroRecordBytes;
    return image;
}

MacroImage BuildMacroImage(const std::vector<MacroWithSteps>& macros) {
    std::vector<int> ids;
    std::vector<int> counts;
    for (const MacroWithSteps& macro : macros) {
        ids.push_back(macro.macroId);
        counts.push_back(static_cast<int>(macro.steps.size()));
    }
    MacroImage image = PlanMacroMemory(ids, counts);

    std::size_t next = kMacroDirectoryBytes;
    const std::size_t slots = std::min(macros.size(), static_cast<std::size_t>(kMacroDirectorySlots));
    for (std::size_t position = 0; position < slots; ++position) {
        image.bytes[2 * position] = static_cast<std::uint8_t>(next & 0xFFu);
        image.bytes[2 * position + 1] = static_cast<std::uint8_t>((next >> 8) & 0xFFu);
        const MacroWithSteps& macro = macros[position];
        if (image.positions.Lookup(macro.macroId) != static_cast<int>(position)) {
            continue;  // left out: an empty macro at the next offset
        }
        for (std::size_t i = 0; i < macro.steps.size(); ++i) {
            if (next + kMacroRecordBytes > kMacroMemoryBytes) {
                break;  // cannot happen after the plan; never write past the image
            }
            const auto record = EncodeMacroRecord(macro.steps[i], i + 1 == macro.steps.size());
            std::copy(record.begin(), record.end(), image.bytes.begin() + static_cast<std::ptrdiff_t>(next));
            next += kMacroRecordBytes;
        }
    }
    image.end = next;
    return image;
}

BlockPlan MacroBlockPlan(const MacroImage& image) {
    constexpr std::size_t kLastLength = 40;
    constexpr int kMaxBlocks = static_cast<int>(kMacroMemoryBytes / kBlockBytes);  // 64
    const std::size_t end = std::min(image.end, kMacroMemoryBytes);
    int last = 0;
    while (kBlockBytes * static_cast<std::size_t>(last) + kLastLength < end) {
        ++last;
    }
    if (last >= kMaxBlocks) {
        return BlockPlan{kMaxBlocks, static_cast<int>(kBlockBytes)};
    }
    return BlockPlan{last + 1, static_cast<int>(kLastLength)};
}

}  // namespace vantora
