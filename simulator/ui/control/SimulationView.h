#pragma once
// What the window's views show of a loaded simulation, as plain data built by the loading pass:
// the request tree (one group per fixed exchange and request entry), the fault-reading tabs with
// their column choices, the activation selector, and the System Info page. The window draws
// these; nothing here refers to the engine or the simulation file object, so the views stay valid
// whatever becomes of either.
#include "StringList.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Which part of the simulation file a request group stands for. The window maps a group to its
// sections by these, never by the group's position in the tree: a loading pass that stops early
// leaves a tree without the three fixed exchanges at its top.
enum class GroupKind { TesterPresent, EndCommunication, EcuActivation, Request };

struct AnswerNode {
    std::string Caption;                // the answer in display form
    std::optional<TStringList> Bytes;   // one description per answer byte; none for a refused exchange
    bool operator==(const AnswerNode&) const = default;
};

// A root of the request tree with its children: the request node, then the answer nodes.
struct RequestGroup {
    GroupKind Kind = GroupKind::Request;
    std::int32_t Section = 0;           // i of REQUEST<i> for a request entry, else 0
    std::string Caption;                // the description
    std::optional<std::string> RequestNode; // the request in display form; none when the pass
                                            // failed before it was built
    std::vector<AnswerNode> Answers;
    bool operator==(const RequestGroup&) const = default;
};

struct FaultTab {
    std::int32_t Number = 0; // n of ERROR_<n>0
    std::string Caption;     // "ERROR_" + n
    bool operator==(const FaultTab&) const = default;
};

// The answer column chosen for a fault-reading entry (0 "No errors" to 4 "Manual errors").
inline constexpr std::uint8_t NoErrorsColumn = 0;

struct ActivationSelector {
    std::int32_t Min = 0;
    std::int32_t Max = 0;
    std::int32_t Position = 0; // 0 before any load: no activation shown
    bool operator==(const ActivationSelector&) const = default;
};

struct SimulationView {
    std::vector<RequestGroup> Tree;
    std::vector<FaultTab> ErrorTabs;
    std::int32_t SelectedErrorTab = -1; // index into ErrorTabs, -1 none
    // Indexed by n (index 0 unused), one entry per fault-reading entry the passes met; it grows
    // with the file, so any number of entries has a choice of its own.
    std::vector<std::uint8_t> ColumnChoice = std::vector<std::uint8_t>(1, NoErrorsColumn);
    ActivationSelector Activations;
    bool operator==(const SimulationView&) const = default;
};

struct LabelPair {
    std::string Description;
    std::string Value;
    bool operator==(const LabelPair&) const = default;
};

inline constexpr std::size_t BusLabelCount = 5;

// The value labels of the System Info page, each as the window shows it.
struct SystemInfo {
    std::string Maker;
    std::string SystemNumber;     // the engine's Simulator_System in decimal
    std::string SetMux;
    std::string ProtocolType;
    std::array<LabelPair, BusLabelCount> Bus; // pairs 1 to 5
    std::string Index;            // the protocol number
    std::string ProtocolDescription;
    std::string Notes;
    bool operator==(const SystemInfo&) const = default;
};
