#pragma once

// Limits and scales shared by the whole image model.
namespace lumetta {

// Every progress value is on this scale; the full value means complete.
constexpr int kProgressComplete = 10000;

}  // namespace lumetta
