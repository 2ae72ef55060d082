#pragma once

#include <cstddef>

// One allowed change of state of a class with a state machine, with what makes it. A
// class lists its changes in one table and checks each change against it.
template <typename State>
struct StateChange {
    State from, to;
    const char* by;
};

template <typename State, std::size_t N>
constexpr bool StateChangeListed(const StateChange<State> (&changes)[N], State from, State to) {
    for (const StateChange<State>& change : changes)
        if (change.from == from && change.to == to) return true;
    return false;
}
