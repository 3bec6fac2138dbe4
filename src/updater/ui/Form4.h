#pragma once
// The updater window "Update...": the version check at the launcher's first opening, the
// installation with its progress display, and the hand-over to the update script.

#include "forms/FormRegistry.h"
#include "updater/UpdateInstall.h"

#include <string>

class QLabel;
class QPushButton;
class QTimer;

namespace hopplix {

class ShapeWidget;

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
    QLabel* Label1();
    QLabel* Label2();
    ShapeWidget* Shape1();
    ShapeWidget* Shape2();
    QTimer* Timer1();
    QTimer* Timer2();
    // "Abbrechen": gives the update up while its files download.
    QPushButton* Command1();
    // The fill's width in twips, as the installation set it.
    double Shape2Width();

protected:
    std::unique_ptr<FormWindow> createWindow() override;
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

    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    ShapeWidget* shape1_ = nullptr;
    ShapeWidget* shape2_ = nullptr;
    QTimer* timer1_ = nullptr;
    QTimer* timer2_ = nullptr;
    QPushButton* command1_ = nullptr;
    double shape2Width_ = 6514;
    bool downloading_ = false;
    bool cancelled_ = false;
};

} // namespace hopplix
