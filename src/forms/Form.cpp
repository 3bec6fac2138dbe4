#include "forms/Form.h"

#include "common/Rounding.h"
#include "forms/FormRegistry.h"
#include "forms/WindowSystem.h"

#include <algorithm>
#include <cassert>

namespace hopplix {

int clientExtentForOuter(int outerPixels, int framePixels) { return std::max(0, outerPixels - framePixels); }

Form::Form(FormRegistry& forms) : forms_(forms) {}

Form::~Form()
{
    // At the end of the run: the window goes without any handler running.
    if (window_)
        window_->retire();
}

Services& Form::services() const { return forms_.services(); }

WindowSystem& Form::windowSystem() const
{
    assert(forms_.services().windows);
    return *forms_.services().windows;
}

void Form::Load()
{
    if (window_ || unloading_)
        return;
    outerWidthPx_.reset();
    outerHeightPx_.reset();
    recentreWhenFrameKnown_ = false;
    // The screen may have changed since the last load (resolution, dpi).
    screen_ = services().screen();
    window_ = windowSystem().createWindow();
    Window& window = *window_;
    // The window system's close request is an unload, which is never refused.
    window.onCloseRequest = [this] { Unload(); };
    window.onGeometryChanged = [this] { windowGeometryChanged(); };
    window.onKeyDown = [this](int key, int shift, bool autoRepeat) { keyDown(key, shift, autoRepeat); };
    createControls(window);
    loading_ = true;
    hiddenDuringLoad_ = false;
    Form_Load();
    loading_ = false;
    // Form_Load may have unloaded the form again (a level without its picture).
    if (window_ && centredOnScreen()) {
        centreOnScreen();
        // Centred on a guess of the frame: centred again once the frame is known.
        recentreWhenFrameKnown_ = !knownFrame_;
    }
}

void Form::keyDown(int virtualKey, int shift, bool autoRepeat)
{
    keyAutoRepeat_ = autoRepeat;
    Form_KeyDown(virtualKey, shift);
    keyAutoRepeat_ = false;
}

void Form::Unload()
{
    if (!window_ || unloading_)
        return;
    unloading_ = true;
    Form_Unload();
    std::unique_ptr<Window> going = std::move(window_);
    controlsDestroyed();
    unloading_ = false;
    // A handler of one of its own controls may still be on the stack: the window is cut off
    // now and deleted once control returns to the event loop.
    going->retire();
    windowSystem().dispose(std::move(going));
}

void Form::Show()
{
    const bool wasLoaded = isLoaded();
    Load();
    if (!window_ || (!wasLoaded && hiddenDuringLoad_))
        return;
    window_->show();
    if (!window_)
        return;
    window_->raise();
    if (!window_->showsWithoutActivating())
        window_->activate();
}

void Form::Hide()
{
    Load();
    if (!window_)
        return;
    if (loading_)
        hiddenDuringLoad_ = true;
    window_->hide();
}

bool Form::Visible()
{
    Load();
    return window_ && window_->isVisible();
}

Window* Form::window()
{
    Load();
    return window_.get();
}

const ScreenMetrics& Form::screen() const
{
    if (!screen_)
        screen_ = services().screen();
    return *screen_;
}

int Form::pxX(double twips) const { return roundToInt32Saturating(twips / screen().twipsPerPixelX); }
int Form::pxY(double twips) const { return roundToInt32Saturating(twips / screen().twipsPerPixelY); }
double Form::twipsX(int pixels) const { return pixels * screen().twipsPerPixelX; }
double Form::twipsY(int pixels) const { return pixels * screen().twipsPerPixelY; }

PixelSize Form::frameExtraPixels() const
{
    if (window_ && window_->isVisible()) {
        const PixelSize extra = window_->frameExtra();
        if (extra.width > 0 || extra.height > 0)
            return extra;
    }
    return knownFrame_.value_or(PixelSize{});
}

void Form::applyOuterSize()
{
    if (!window_)
        return;
    const PixelSize frame = frameExtraPixels();
    const PixelSize now = window_->clientSize();
    const PixelSize size{outerWidthPx_ ? clientExtentForOuter(*outerWidthPx_, frame.width) : now.width,
                         outerHeightPx_ ? clientExtentForOuter(*outerHeightPx_, frame.height) : now.height};
    window_->setClientSize(size);
}

void Form::setOuterWidth(double twips)
{
    Load();
    outerWidthPx_ = pxX(twips);
    applyOuterSize();
}

void Form::setOuterHeight(double twips)
{
    Load();
    outerHeightPx_ = pxY(twips);
    applyOuterSize();
}

double Form::outerWidthTwips()
{
    Load();
    return window_ ? twipsX(window_->clientSize().width + frameExtraPixels().width) : 0.0;
}

double Form::outerHeightTwips()
{
    Load();
    return window_ ? twipsY(window_->clientSize().height + frameExtraPixels().height) : 0.0;
}

double Form::clientHeightTwips()
{
    Load();
    return window_ ? twipsY(window_->clientSize().height) : 0.0;
}

void Form::windowGeometryChanged()
{
    if (!window_ || !window_->isVisible())
        return;
    const PixelSize extra = window_->frameExtra();
    if ((extra.width <= 0 && extra.height <= 0) || knownFrame_ == extra)
        return;
    knownFrame_ = extra;
    if (outerWidthPx_ || outerHeightPx_) {
        const PixelSize before = window_->clientSize();
        applyOuterSize();
        if (window_ && window_->clientSize() != before)
            clientAreaResized();
    }
    if (window_ && recentreWhenFrameKnown_) {
        recentreWhenFrameKnown_ = false;
        centreOnScreen();
    }
}

void Form::centreOnScreen()
{
    if (!window_)
        return;
    const PixelRect area = windowSystem().availableArea();
    if (area.width <= 0 || area.height <= 0)
        return;
    const PixelSize frame = frameExtraPixels();
    const PixelSize client = window_->clientSize();
    const int width = client.width + frame.width;
    const int height = client.height + frame.height;
    // As a rectangle's centre is placed: the centre pixel of an even extent lies left of the middle.
    const int centreX = area.x + (area.width - 1) / 2;
    const int centreY = area.y + (area.height - 1) / 2;
    window_->moveFrameTo({centreX - (width - 1) / 2, centreY - (height - 1) / 2});
}

} // namespace hopplix
