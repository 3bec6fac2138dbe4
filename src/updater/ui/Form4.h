#pragma once
// The updater window "Update...": the version check at the launcher's first opening, the
// installation with its progress display, and the hand-over to the update script.

#include "forms/FormRegistry.h"
#include "updater/UpdateInstall.h"

#include <string>

namespace hopplix {

class Form4 : public UpdaterForm, private UpdateWindow {
public:
    explicit Form4(FormRegistry& forms);
    ~Form4() override;

    // The version text the server's version file announces.
    std::string neueVersion;

    void Updatetest() override;

    void Timer1_Timer();
    void Timer2_Timer();

    // Controls; reaching one loads the form.
    Label* Label1();
    Label* Label2();
    Shape* Shape1();
    Shape* Shape2();
    Timer* Timer1();
    Timer* Timer2();
    // "Abbrechen": gives the update up while its files download.
    CommandButton* Command1();
    // The fill's width in twips, as the installation set it.
    double Shape2Width();

protected:
    void createControls(Window& window) override;
    void controlsDestroyed() override;
    void Form_Unload() override;

private:
    void Updateholen();
    UpdateSetup setup() const;
    std::string installedVersion();

    // What the installation shows, on this window.
    void setStatusCaption(const std::string& caption) override;
    void setFileCaption(const std::string& caption) override;
    double trackWidth() override;
    double fillWidth() override;
    void setFillWidth(double twips) override;
    void showInFront() override;
    void hide() override;
    void startHandOverTimers() override;
    void offerCancel(bool offered) override;
    void refresh() override;
    bool cancelled() override;

    Label* label1_ = nullptr;
    Label* label2_ = nullptr;
    Shape* shape1_ = nullptr;
    Shape* shape2_ = nullptr;
    Timer* timer1_ = nullptr;
    Timer* timer2_ = nullptr;
    CommandButton* command1_ = nullptr;
    double shape2Width_ = 6514;
    bool downloading_ = false;
    bool cancelled_ = false;
};

} // namespace hopplix
