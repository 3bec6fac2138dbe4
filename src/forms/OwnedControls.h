#pragma once
// The controls and timers a backend's window owns, in creation order. The window decides the
// order in which they go when it goes: its widgets or its window system may still need them.

#include "forms/Controls.h"

#include <memory>
#include <utility>
#include <vector>

namespace hopplix {

template <class TimerKind>
class OwnedControls {
public:
    template <class T, class... Args>
    T& add(Args&&... args)
    {
        auto control = std::make_unique<T>(std::forward<Args>(args)...);
        T& result = *control;
        controls_.push_back(std::move(control));
        return result;
    }
    template <class... Args>
    TimerKind& addTimer(Args&&... args)
    {
        timers_.push_back(std::make_unique<TimerKind>(std::forward<Args>(args)...));
        return *timers_.back();
    }

    void stopTimers()
    {
        for (const auto& timer : timers_)
            timer->setEnabled(false);
    }
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

    void releaseControls() { controls_.clear(); }
    void releaseTimers() { timers_.clear(); }

private:
    std::vector<std::unique_ptr<TimerKind>> timers_;
    std::vector<std::unique_ptr<Control>> controls_;
};

} // namespace hopplix
