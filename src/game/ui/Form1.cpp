#include "game/ui/Form1.h"

#include "common/ColourText.h"
#include "common/Paths.h"
#include "forms/FormRegistry.h"
#include "forms/WindowSystem.h"
#include "game/ui/Form2.h"
#include "platform/PathText.h"

namespace hopplix {

const char* const Form1::kMissingPictureText = "Error: Level.bmp wurde nicht gefunden!";
const char* const Form1::kUnreadablePictureText = "Error: Level.bmp konnte nicht gelesen werden!";
const char* const Form1::kTooSmallPictureText = "Error: Level.bmp ist zu klein!";
const char* const Form1::kNoLayoutText = "Error: Level.bmp kann auf diesem Bildschirm nicht gezeigt werden!";
const char* const Form1::kLeaveQuestion =
    "Wollen sie dieses Level wirklich abbrechen und zur Levelauswahl zurückkehren?";

namespace {

// What the player reads in this window, beside the texts above and the bitmap reader's reasons.
constexpr const char* kCaption = "Hopplix";
constexpr const char* kErrorTitle = "Error";
constexpr const char* kLeaveTitle = "Sicher!?";
constexpr const char* kDamagedPicture = "Die Bilddaten sind beschädigt oder unvollständig.";
constexpr const char* kSpeedCaption = "Beschleunigung: ";

// Why the picture is too small on this screen: the picture's and the playfield's size in pixels.
std::string tooSmallText(const LoadResult& result)
{
    // A wide, flat picture is no smaller than others: the line below says what is too small.
    return "Das Bild hat " + std::to_string(result.pictureWidthPx) + " x " + std::to_string(result.pictureHeightPx)
           + " Pixel; auf diesem Bildschirm bekäme das Spielfeld nur " + std::to_string(result.clientWidthPx) + " x "
           + std::to_string(result.clientHeightPx) + " Pixel, es braucht mindestens " + std::to_string(kMinClientPx)
           + " x " + std::to_string(kMinClientPx) + ".";
}

// Why a picture could not be read, as a sentence for the player.
std::string pictureReasonText(const PictureError& error)
{
    if (error.damaged)
        return kDamagedPicture;
    return std::string(bmpErrorSentence(error.reason));
}

} // namespace

Form1::Form1(FormRegistry& forms, const PictureDecoder& pictures) : Form(forms), session_(pictures) {}

Form1::~Form1()
{
    // The window outlives this part of the form by a moment: keep it off the freed buffer.
    if (picture1_)
        picture1_->setPixels(nullptr, 0, 0);
}

void Form1::createControls(Window& window)
{
    ++windowGeneration_;
    window.setCaption(kCaption);
    window.setFixedDialog(false);
    window.setGameIcon();
    window.setKeyPreview(true);

    picture1_ = &window.addPlayfieldSurface();
    picture1_->setGeometry({0, 0, 0, 0});
    picture1_->onMouseDown = [this](int button, int shift, PixelPoint at) {
        Picture1_MouseDown(button, shift, static_cast<float>(twipsX(at.x)), static_cast<float>(twipsY(at.y)));
    };

    // The timer runs from the moment the window exists; ticks wait for the load step to finish.
    timer1_ = &window.addTimer();
    timer1_->setInterval(20);
    timer1_->onTimer = [this] { Timer1_Timer(); };
    timer1_->setEnabled(true);

    // The design state of Shape1.
    shape1Fill_ = 255;
    shape1Visible_ = false;
}

void Form1::postForThisWindow(std::function<void()> call)
{
    windowSystem().post(
        [alive = std::weak_ptr<int>(alive_), this, generation = windowGeneration_, call = std::move(call)] {
            if (!alive.expired() && isLoaded() && generation == windowGeneration_)
                call();
        });
}

void Form1::controlsDestroyed()
{
    if (picture1_)
        picture1_->setPixels(nullptr, 0, 0);
    picture1_ = nullptr;
    timer1_ = nullptr;
    session_.close();
    levelReady_ = false;
    onScreen_ = false;
    questionPending_ = false;
    shape1Visible_ = false;
}

void Form1::failLoad(const std::string& text)
{
    services().messages.MsgBox(text, mb::vbOKOnly + mb::vbCritical, kErrorTitle);
    Unload();
}

std::string Form1::failureText(const LoadResult& result)
{
    switch (result.status) {
    case LoadStatus::Loaded: break;
    case LoadStatus::PictureMissing: return kMissingPictureText;
    case LoadStatus::PictureUnreadable:
        return std::string(kUnreadablePictureText) + "\n" + pictureReasonText(result.picture);
    case LoadStatus::PictureTooSmall: return std::string(kTooSmallPictureText) + "\n" + tooSmallText(result);
    case LoadStatus::LayoutImpossible: return kNoLayoutText;
    }
    return {};
}

void Form1::Form_Load()
{
    levelReady_ = false;
    onScreen_ = false;
    questionPending_ = false;
    LauncherForm& launcher = forms().form3();
    // The name as the launcher listed it (a text); Windows reads it back as UTF-8 only this way.
    const std::filesystem::path folder = levelsFolder(services().programFolder) / pathFromText(launcher.levelpfad);

    // The frame this window had when it was last shown; none (0) before it ever was, as under a
    // window system without frames. When the real frame differs, clientAreaResized lays the
    // level out again.
    const LoadResult loaded = session_.load(folder, viewport(frameExtraPixels()), play);
    if (!loaded.ok()) {
        failLoad(failureText(loaded));
        return;
    }
    showLayout();
    // Anything but a colour value the launcher wrote (nothing chosen yet, a broken value)
    // leaves the player in its design colour.
    if (const auto colour = colourOfValueText(launcher.Spielerfarbe))
        shape1Fill_ = colourValue(*colour);
    shape1Visible_ = true;
    levelReady_ = true;
    refreshPlayer();
}

Viewport Form1::viewport(PixelSize frame) const
{
    Viewport view;
    view.screen = screen(); // as the window read it at this level's load
    view.frameWidthPx = frame.width;
    view.frameHeightPx = frame.height;
    return view;
}

void Form1::showLayout()
{
    const LevelLayout& layout = session_.layout();
    // The view first: it reads the new playfield's buffer in place.
    picture1_->setGeometry({0, 0, layout.client.widthPx, layout.client.heightPx});
    const Playfield& field = session_.playfield();
    picture1_->setPixels(field.pixels().data(), field.width(), field.height());
    setOuterWidth(layout.window.Width);
    setOuterHeight(layout.window.Height);
}

void Form1::clientAreaResized()
{
    if (!levelReady_ || !session_.isOpen())
        return;
    // The frame became known only once the window was shown: the client area is not what the
    // level was laid out for, so the playfield, the player's size and its start follow it.
    const LoadResult laidOut = session_.layOut(viewport(frameExtraPixels()), play);
    if (laidOut.ok()) {
        showLayout();
        refreshPlayer();
        centreOnScreen();
        return;
    }
    // Inside the frame there is no room for the level (or the picture changed meanwhile): it
    // ends as a load that failed, from the event loop, outside the window system's event.
    levelReady_ = false;
    postForThisWindow([this, text = failureText(laidOut)] { failLoad(text); });
}

void Form1::Form_Unload()
{
    // A question about leaving this level goes with it, unanswered.
    if (questionOpen_)
        services().messages.closeUnanswered();
    debugWindow().Unload();
    forms().form3().Show();
}

PixelRect Form1::playerPixels() const
{
    const PlayerShape& shape = session_.player();
    return {pxX(shape.Left), pxY(shape.Top), pxX(shape.Width), pxY(shape.Height)};
}

void Form1::refreshPlayer()
{
    if (picture1_)
        picture1_->setPlayer(playerPixels(), shape1Fill_, shape1Visible_);
}

void Form1::setShape1Place(float left, float top)
{
    session_.movePlayerTo(left, top);
    refreshPlayer();
}

void Form1::Timer1_Timer()
{
    // Ticks never nest: one suspended at its event points keeps the next one out.
    if (!isLoaded() || !levelReady_ || ticking_)
        return;
    if (!onScreen_) {
        // The level is laid out for the window's frame, which the window system tells only
        // once the window is on the screen. The first tick waits for that and lays the level
        // out again if the frame turned out different, so it finds the player at its start.
        if (!window()->isExposed())
            return;
        onScreen_ = true;
        windowGeometryChanged();
        if (!isLoaded() || !levelReady_)
            return;
    }
    const std::uint64_t generation = windowGeneration_;
    ticking_ = true;

    TickHooks hooks{
        services().keys,
        [this, generation, alive = std::weak_ptr<int>(alive_)] {
            windowSystem().processEvents();
            // Closed (and perhaps a new level opened) meanwhile: this tick is over.
            return !alive.expired() && isLoaded() && generation == windowGeneration_ && levelReady_;
        },
        [this] { services().beeper.Beep(); },
        [this] {
            Form2& debug = debugWindow();
            if (debug.isLoaded() && debug.Visible())
                Farbensetzen();
        },
    };
    const TickResult result = session_.tick(play, hooks);
    ticking_ = false;
    if (result.windowClosed)
        return;
    if (result.goal) {
        Unload();
        forms().form3().Show();
        return;
    }
    refreshPlayer();
    if (questionPending_)
        postLeaveQuestion(); // asked during this tick: now that it is over
}

void Form1::Farbensetzen()
{
    Form2& debug = debugWindow();
    // A marker shows the colour its probe's letter stands for; none before the first probe.
    for (int i = 0; i < 8; ++i)
        if (const auto colour = colourOfLetter(play.punktfarbe[static_cast<std::size_t>(i)]))
            debug.Shape1(i)->setFill(*colour);
    const std::string text = kSpeedCaption + std::to_string(play.beschleunigung);
    Label* label = debug.Label1();
    if (label->text() != text)
        label->setText(text);
}

void Form1::Form_KeyDown(int keyCode, int /*shift*/)
{
    if (keyCode == vk::D) {
        Form2& debug = debugWindow();
        if (debug.isLoaded() && debug.Visible()) {
            debug.Unload();
        } else {
            // The debug window shows without taking the focus; the game keeps it, so further
            // keys reach the game. The player may still give it to the debug window.
            debug.Show();
            debug.Player()->setFill(shape1Fill_);
            if (Window* own = window())
                own->activate();
        }
    } else if (keyCode == vk::R) {
        // The playfield's corner, not the level's start.
        setShape1Place(0.0f, 0.0f);
        play.beschleunigung = 0;
    } else if (keyCode == vk::Escape && !keyIsAutoRepeat()) {
        // One question per press: a held Escape asks no second one once the first is answered.
        requestLeaveQuestion();
    }
}

Form2& Form1::debugWindow()
{
    // The registry hands the debug window out as a plain form; it belongs to this subsystem.
    return static_cast<Form2&>(forms().form2());
}

void Form1::requestLeaveQuestion()
{
    // The question is asked from the event loop, outside the key's own dispatch and outside
    // any tick: its message box runs a loop of its own that keeps the game going, and the
    // level may end in there (the goal), which must not pull the window from under a handler.
    questionPending_ = true;
    if (!ticking_)
        postLeaveQuestion();
}

void Form1::postLeaveQuestion()
{
    postForThisWindow([this] {
        if (!questionPending_ || ticking_)
            return; // already asked, or inside the next tick: that tick's end asks
        questionPending_ = false;
        askToLeave();
    });
}

void Form1::askToLeave()
{
    const std::uint64_t generation = windowGeneration_;
    questionOpen_ = true;
    const int answer = services().messages.MsgBox(kLeaveQuestion, mb::vbYesNo, kLeaveTitle);
    questionOpen_ = false;
    // The level may have ended behind the question (its goal): then no answer is acted on.
    if (answer == mb::vbYes && isLoaded() && generation == windowGeneration_) {
        Unload();
        forms().form3().Show();
    }
}

void Form1::Picture1_MouseDown(int /*button*/, int /*shift*/, float x, float y)
{
    // Both keys are asked on every press.
    const bool j = services().keys.GetAsyncKeyState(vk::J);
    const bool k = services().keys.GetAsyncKeyState(vk::K);
    if (j && k)
        setShape1Place(x, y);
}

} // namespace hopplix
