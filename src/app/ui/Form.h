#pragma once
// The window model: one Form object per window for the whole run. Loading creates the window
// and its controls and runs Form_Load; unloading runs Form_Unload, destroys the window and its
// controls, and keeps the object's variables. Showing, hiding or reading a form that is not
// loaded loads it first.

#include <QPointer>
#include <QWidget>
#include <memory>

namespace hopplix {

class FormRegistry;
class Form;

// The top-level window of a form. It turns the window system's close request into an unload
// of its form, and with key preview passes key presses of any of its controls to the form.
class FormWindow : public QWidget {
    Q_OBJECT
public:
    explicit FormWindow(Form& form);
    ~FormWindow() override;

    // Fixed-size dialog frame without minimise and maximise buttons; `tool` for a narrow title bar.
    void makeFixedDialog(bool tool = false);
    void setKeyPreview(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form& form_;
    bool keyPreview_ = false;
};

class Form {
public:
    explicit Form(FormRegistry& forms);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    bool isLoaded() const { return window_ != nullptr; }
    void Load();
    void Unload();
    void Show();
    void Hide();
    bool Visible();
    FormWindow* window(); // loads first

    // Twips <-> pixels with the screen's twips per pixel.
    int pxX(double twips) const;
    int pxY(double twips) const;
    double twipsX(int pixels) const;
    double twipsY(int pixels) const;

    // Called by FormWindow; not for other callers.
    void keyDownFromWindow(int virtualKey, int shift) { Form_KeyDown(virtualKey, shift); }
    void closeRequestedByWindowSystem() { Unload(); }

protected:
    // Creates the window with all its controls (the controls' design-time state).
    virtual std::unique_ptr<FormWindow> createWindow() = 0;
    // Drops pointers to the controls; runs after Form_Unload, when the controls are going away.
    virtual void controlsDestroyed() {}
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    virtual void Form_KeyDown(int /*keyCode*/, int /*shift*/) {}
    // Whether Load centres the window on the screen after Form_Load.
    virtual bool centredOnScreen() const { return true; }

    void centreOnScreen();
    FormRegistry& forms() const { return forms_; }

private:
    FormRegistry& forms_;
    QPointer<FormWindow> window_;
    bool unloading_ = false;
};

} // namespace hopplix
