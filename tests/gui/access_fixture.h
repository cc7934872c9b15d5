// The desktop program against the simulated device, in a model, a language and
// a theme (a style and its palette), with every page and every dialog it has,
// for the accessibility and contrast walks.
#pragma once

#include "access_support.h"
#include "app/main_window_widget.h"
#include "app/monitor_dlg.h"
#include "app/my_file_dlg.h"
#include "app/no_response_dlg.h"
#include "app/settings_dlg.h"
#include "app/splash_dlg.h"
#include "app/status_dlg.h"
#include "app/upgrade_host.h"
#include "maintenance/callback_dlg.h"
#include "maintenance/isdn_info_dlg.h"
#include "maintenance/upgrade_dlg.h"
#include "mainwin_support.h"
#include "pages/data/bod_dlg.h"
#include "ui/discard_dlg.h"
#include "ui/info_dlg.h"
#include "ui/page_widget.h"

#include <QMessageBox>
#include <QStyle>
#include <QStyleFactory>

#include <functional>
#include <iostream>
#include <string>

namespace a11y {

using namespace mainwin;

// A palette of dark grey with light text, as GNOME's dark Adwaita has it.
inline QPalette darkPalette() {
    QPalette p;
    const auto set = [&p](QPalette::ColorRole role, const char* colour) {
        p.setColor(role, QColor(colour));
    };
    set(QPalette::Window, "#353535");
    set(QPalette::WindowText, "#eeeeec");
    set(QPalette::Base, "#2d2d2d");
    set(QPalette::AlternateBase, "#2d2d2d");
    set(QPalette::Text, "#eeeeec");
    set(QPalette::Button, "#373737");
    set(QPalette::ButtonText, "#eeeeec");
    set(QPalette::Light, "#515151");
    set(QPalette::Midlight, "#444444");
    set(QPalette::Mid, "#2a2a2a");
    set(QPalette::Dark, "#1e1e1e");
    set(QPalette::Shadow, "#000000");
    set(QPalette::Highlight, "#15539e");
    set(QPalette::HighlightedText, "#ffffff");
    set(QPalette::PlaceholderText, "#a0a0a0");
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor("#919190"));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor("#919190"));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor("#919190"));
    return p;
}

// White on black, as high-contrast themes have it.
inline QPalette highContrastPalette() {
    QPalette p(QColor(Qt::black), QColor(Qt::black));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                      QPalette::BrightText, QPalette::Light})
        p.setColor(role, Qt::white);
    p.setColor(QPalette::Highlight, QColor(0, 255, 255));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Link, Qt::yellow);
    return p;
}

enum class Theme { Light, Dark, HighContrast, AdwaitaDark, AdwaitaHighContrastInverse };

struct Case {
    sim::Model model;
    int language;
    Theme theme;
};

inline std::string themeName(Theme t) {
    switch (t) {
    case Theme::Light:
        return "Light";
    case Theme::Dark:
        return "Dark";
    case Theme::HighContrast:
        return "HighContrast";
    case Theme::AdwaitaDark:
        return "AdwaitaDark";
    case Theme::AdwaitaHighContrastInverse:
        return "AdwaitaHighContrastInverse";
    }
    return "?";
}

inline std::string caseName(const testing::TestParamInfo<Case>& info) {
    return std::string(info.param.model == sim::Model::R30 ? "R30" : "R70") +
           (info.param.language == 1 ? "German" : "English") + themeName(info.param.theme);
}

// The program in a case: started by start(Case), walked page by page and
// dialog by dialog.
class Walk : public ProgramTest {
protected:
    void TearDown() override {
        ProgramTest::TearDown();
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(QApplication::style()->standardPalette());
    }
    // The desktop's theme: a style and the palette it brings (or ours).
    // False when the style is not installed.
    bool useTheme(Theme theme) {
        const char* style = "Fusion";
        if (theme == Theme::AdwaitaDark) style = "Adwaita-Dark";
        if (theme == Theme::AdwaitaHighContrastInverse) style = "Adwaita-HighContrastInverse";
        QStyle* made = QStyleFactory::create(QString::fromLatin1(style));
        if (made == nullptr) return false;
        QApplication::setStyle(made);
        QPalette palette = made->standardPalette();
        if (theme == Theme::Dark) palette = darkPalette();
        if (theme == Theme::HighContrast) palette = highContrastPalette();
        QApplication::setPalette(palette);
        return true;
    }
    // False when the case's style is not installed.
    bool start(const Case& c) {
        if (!useTheme(c.theme)) return false;
        plugDevice(c.model);
        notFirstRun();
        std::ofstream(files_->defaultProfile()) << "[SET_DIV]\nLANGUAGE=" << c.language << "\n";
        startToMsnPage();
        EXPECT_EQ(app_->language, c.language);
        return true;
    }
    // Another case in the same test: the program, the device and the home
    // folder afresh.
    bool restart(const Case& c) {
        TearDown();
        SetUp();
        return start(c);
    }
    // Every page in turn, shown.
    void forEachPage(const std::function<void(int, QWidget*)>& visit) {
        widgets::CMainWnd& win = *win_;
        for (int k = 0; k < 10; ++k) {
            win.logic().switchTo(k);
            ASSERT_TRUE(waitUntil([&] { return win.pendingPosts() == 0; }));
            ASSERT_NE(win.currentPageWidget(), nullptr);
            visit(k, win.currentPageWidget());
        }
    }
    // Every dialog of the program, shown on its own (not modal) in turn.
    void forEachDialog(const std::function<void(const std::string&, QDialog&)>& visit) {
        widgets::CMainWnd& win = *win_;
        core::CConfigApp& app = *app_;
        const int lang = app.language;
        const auto show = [&](const std::string& name, QDialog& dialog) {
            dialog.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
            visit(name, dialog);
            dialog.hide();
        };
        {
            widgets::CSettingsDlg dlg(app, win.logic(), "/dev/ttyUSB0", &win);
            show("settings", dlg);
        }
        {
            widgets::CDiscardDlg dlg(lang, {}, &win);
            show("discard", dlg);
        }
        {
            widgets::CInfoDlg dlg(7000, 8500, lang, {}, &win);
            show("information", dlg);
        }
        {
            widgets::CNoResponseDlg dlg(lang, &win, {"COM3 /dev/ttyUSB0: silent"});
            show("no response", dlg);
        }
        {
            widgets::CBodDlg dlg(data::BodValues{}, lang, false, &win);
            show("bandwidth on demand", dlg);
        }
        {
            widgets::CCallbackDlg dlg(app, win.logic().callback(), &win);
            show("data callback", dlg);
        }
        {
            widgets::CMonitorDlg dlg(app, &win);
            show("monitor", dlg);
        }
        {
            widgets::CIsdnInfoDlg dlg(app, &win);
            show("ISDN information", dlg);
        }
        {
            app::MainWindowUpgradeHost host(win.logic());
            widgets::CUpgradeDlg dlg(app, host, &win);
            show("upgrade", dlg);
        }
        {
            widgets::CFirmwareInfoDlg dlg(maintenance::FirmwareComparison{}, lang, &win);
            show("firmware information", dlg);
        }
        {
            widgets::CSplashDlg dlg(true, lang, &win);
            show("about", dlg);
        }
        {
            widgets::CCreditsDlg dlg(lang, &win);
            show("credits", dlg);
        }
        {
            widgets::CStatusDlg dlg(&win);
            dlg.setText(QStringLiteral("Loading the profile... \"default.pro\""));
            show("status", dlg);
        }
        {
            widgets::CMyFileDlg dlg(widgets::CMyFileDlg::Mode::Save,
                                    QString::fromStdString(files_->home().string()), lang, &win);
            show("profile file", dlg);
        }
        {
            QMessageBox box(QMessageBox::NoIcon, widgets::kAppCaption, QStringLiteral("x"),
                            QMessageBox::Ok, &win);
            widgets::prepareMessageBox(box); // as showMessage has it
            show("message", box);
        }
    }
};

class ProgramWalk : public Walk, public testing::WithParamInterface<Case> {
protected:
    void start() {
        if (!Walk::start(GetParam())) GTEST_SKIP() << "style not installed (adwaita-qt6)";
    }
};

} // namespace a11y
