#include "tools/common/panel_model.h"

#include "tools/common/event_names.h"
#include "tools/common/state_file.h"

namespace zidtools {

void PanelModel::Apply(const PanelCommand& command) {
    if (command.kind == PanelCommand::kRaw) {
        ++rawLines;
        return;
    }
    if (command.kind != PanelCommand::kEvent) return;
    const std::string gate = GateOf(command.fields);
    auto store = [&](const std::string& address, uint16_t value) {
        uint16_t& now = gates[address];
        if (now != value) history[address].push_back(value);
        now = value;
    };
    // The driver's own steps for the line's event, applied to the model.
    const zid::PanelEvent event = zid::LineEvent(command.fields.event, command.fields.endMarker);
    if (IsFireEvent(event)) ++namedBy[gate].first;
    if (IsFaultStart(event)) ++namedBy[gate].second;
    for (const zid::ActionStep& step : zid::ActionOf(event).steps) {
        switch (step.kind) {
            case zid::StepKind::kNone:
                return;
            case zid::StepKind::kWord: {
                uint16_t* words[] = {&T, &F, &R, &S};  // in StatusWord order
                *words[static_cast<int>(step.word)] = step.value;
                break;
            }
            case zid::StepKind::kGateBit: {
                const auto mask = static_cast<uint16_t>(1u << step.bit);
                const uint16_t now = gates[gate];
                store(gate, static_cast<uint16_t>(step.value ? now | mask : now & ~mask));
                break;
            }
            case zid::StepKind::kClearAllGates:
                for (auto& entry : gates) store(entry.first, 0);
                break;
        }
    }
}

std::string PanelModel::Describe() const {
    std::string out;
    for (const auto& [address, value] : gates) out += GateStateLine(address, value);
    // !C: a port that answers all along, as a panel's lines need one to arrive.
    const std::pair<char, uint16_t> words[] = {{'C', 0}, {'F', F}, {'R', R}, {'S', S}, {'T', T}};
    for (const auto& [letter, value] : words) out += StatusStateLine(letter, value);
    for (const auto& [address, values] : history) out += HistoryStateLine(address, values);
    for (const auto& [address, counts] : namedBy)
        out += LinesStateLine(address, counts.first, counts.second);
    return out;
}

}  // namespace zidtools
