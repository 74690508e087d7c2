// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace mirelon {

// A two-way link between a control and the value it edits: reading gives the
// current value, writing stores a new one at once.
template <typename T>
struct Binding {
    std::function<T()> get;
    std::function<void(T)> set;
};

using DoubleBinding = Binding<double>;

// The binding seen through a mirror over [lower, upper]: it shows
// lower + upper - value and stores the same reflection on writing, so a slider
// over the range runs the other way.
inline DoubleBinding reversed(DoubleBinding binding, double lower, double upper) {
    return DoubleBinding{
        [get = binding.get, lower, upper] { return lower + upper - get(); },
        [set = binding.set, lower, upper](double v) { set(lower + upper - v); },
    };
}

}  // namespace mirelon
