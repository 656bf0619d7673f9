// Shared fixture of the GUI tests: the real main window with a scripted
// dialogs seam, so no test ever waits in a modal loop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/MainUnit.h"
#include "app/Services.h"
#include "app/ZirpelWindows.h"

class MainFormTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    std::vector<std::string> shownDialogs;  // object names of modal dialogs run
    std::function<int(QDialog&)> dialogAction = [](QDialog&) { return int(QDialog::Rejected); };
    RealServices real;  // whatever a test does not fake is the real thing
    std::unique_ptr<TMainForm> form;
    QTemporaryDir tmp;

    // Subclasses may add services before the window is created.
    virtual void AddServices(MainFormServices&) {}

    void SetUp() override {
        MainFormServices s;
        s.dialogs = &dialogs;
        s.execDialog = [this](QDialog& d) {
            shownDialogs.push_back(d.objectName().toStdString());
            return dialogAction(d);
        };
        AddServices(s);
        form = CreateZirpelWindows(real.Complete(std::move(s)));
        form->resize(696, 480);
        form->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        if (form) {
            form->hide();
            form.reset();
        }
    }

    std::string TempPath(const std::string& name) const {
        return (tmp.path() + QLatin1Char('/') + QString::fromStdString(name)).toStdString();
    }

    // Opens `path` through the real Open command.
    void OpenFile(const std::string& path) {
        dialogs.openAnswers.push_back(zirpel::FileChoice{path, 1});
        form->RunCommand([this] { form->OpenBtnClick(); });
    }
};
