#pragma once
// The game window "Hopplix": opens the chosen level, runs the 20 ms tick, and handles its keys,
// the mouse on the playfield and its own closing. The level itself (picture, playfield, layout,
// player, rules) is the session's; this window sizes itself, draws, shows the messages and turns
// events into session calls.

#include "forms/Form.h"
#include "game/Engine.h"
#include "game/Layout.h"
#include "game/LevelSession.h"
#include "game/Playfield.h"

#include <cstdint>
#include <memory>
#include <string>

namespace hopplix {

class Form2;

class Form1 : public Form {
public:
    // `pictures` reads Level.bmp; it must outlive the form.
    Form1(FormRegistry& forms, const PictureDecoder& pictures);
    ~Form1() override;

    // The play state: beschleunigung, stehend, StartX, StartY and punktfarbe. It outlives the
    // window: the next level starts with the speed and leap flag this one left.
    PlayState play;

    // The player Shape1 in twips, relative to the playfield. Change it through setShape1Place
    // so the playfield repaints.
    const PlayerShape& Shape1() const { return session_.player(); }
    void setShape1Place(float left, float top);
    // Fill colour as a colour value 0x00BBGGRR; red (255) until the load step recolours it.
    std::uint32_t shape1FillColour() const { return shape1Fill_; }
    bool shape1Visible() const { return shape1Visible_; }

    // Controls (null while the window is not loaded; these do not load it).
    PlayfieldSurface* Picture1() const { return picture1_; }
    Timer* Timer1() const { return timer1_; }
    // The painted level the probes read.
    const Playfield& playfield() const { return session_.playfield(); }
    // The level's layout as the load step computed it (client area, player side, start).
    const LevelLayout& layout() const { return session_.layout(); }

    // Handlers, run by the controls; public so tests can drive them.
    void Timer1_Timer();
    void Picture1_MouseDown(int button, int shift, float x, float y);
    // Shows the probes and the speed in the debug window.
    void Farbensetzen();

    // The texts of the load step's failure messages. An unreadable picture's message gives the
    // reason on a second line, a picture too small its size and the playfield's.
    static const char* const kMissingPictureText;
    static const char* const kUnreadablePictureText;
    static const char* const kTooSmallPictureText;
    static const char* const kNoLayoutText;
    static const char* const kLeaveQuestion;

protected:
    void createControls(Window& window) override;
    void controlsDestroyed() override;
    void Form_Load() override;
    void Form_Unload() override;
    void Form_KeyDown(int keyCode, int shift) override;
    void clientAreaResized() override;

private:
    Viewport viewport(PixelSize frame) const;
    // Sizes the window and the playfield control to the session's layout.
    void showLayout();
    static std::string failureText(const LoadResult& result);
    // Shows the message and closes the window, which brings the launcher back.
    void failLoad(const std::string& text);
    Form2& debugWindow();
    void requestLeaveQuestion();
    void postLeaveQuestion();
    void askToLeave();
    void refreshPlayer();
    PixelRect playerPixels() const;
    // Runs `call` from the event loop, unless this form or the window of this level is gone.
    void postForThisWindow(std::function<void()> call);

    // The level in play: picture, playfield, layout and the player Shape1.
    LevelSession session_;
    std::uint32_t shape1Fill_ = 255;
    bool shape1Visible_ = false;

    PlayfieldSurface* picture1_ = nullptr;
    Timer* timer1_ = nullptr;

    bool levelReady_ = false; // the load step has finished: ticks may run
    bool onScreen_ = false;   // the window has been on the screen since then, frame and all
    bool ticking_ = false;    // a tick is running (perhaps suspended while events run)
    bool questionPending_ = false;
    bool questionOpen_ = false;          // the Escape question is on the screen
    std::uint64_t windowGeneration_ = 0; // tells a window from the one of an earlier level
    // Posted calls hold it weakly: they do nothing once the form is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace hopplix
