// The main window driven by the mouse: presses, moves and releases go to the
// window the way the platform delivers them, so the widget under the point
// (the toolbar, the drawing area, a label) receives them. Points are given
// in drawing-area coordinates. The 100 ms timer is stopped; a test ticks it
// itself.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <memory>

#include "EditorTest.h"
#include "Settings.h"
#include "Strings.h"
#include "Umain.h"

namespace edtest {

inline QString Text(int number) { return QString::fromUtf8(GetString(number)); }

class CanvasFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettings();
        kmr::SettingsStore store;
        store.SetInteger(QStringLiteral("Setup"), QStringLiteral("Tip"), -1);
    }
    void TearDown() override {
        window.reset();
        engine.reset();
        ClearSettings();
    }

    kmr::TFMain &Start(std::initializer_list<const char *> plugins) {
        for (const char *p : plugins) AddPlugin(p);
        engine = std::make_unique<kmr::EditorEngine>(folder.Path());
        window = std::make_unique<kmr::TFMain>(*engine, kmr::TFMain::StartOptions{{}, false});
        window->show();
        window->Editor->Timer1->stop();
        QCoreApplication::processEvents();
        return *window;
    }
    kmr::TFMain &W() { return *window; }
    kmr::EditModes &Ed() { return *window->Editor; }
    MODULES &Scheme() { return engine->Scheme; }
    WIRES &Wires() { return engine->Wires; }
    int Type(const char *fileName) const { return engine->Types.FindByFileName(fileName); }

    // An instance of the type from `fileName` at `loc`, drawn.
    int Put(const char *fileName, int x, int y) {
        const int type = Type(fileName);
        const int slot = engine->Scheme.AddInstance(engine->Types.GetType(type), type);
        if (slot) {
            engine->Scheme.Get(slot)->loc = CPOINT{x, y};
            engine->Scheme.DrawOne(slot);
        }
        return slot;
    }
    CPOINT Pin(int slot, int pin) { return PinPosition(engine->Scheme.Get(slot), pin); }
    CPOINT Loc(int slot) { return engine->Scheme.Get(slot)->loc; }

    QPoint InWindow(int x, int y) { return window->Canvas->mapTo(window.get(), QPoint(x, y)); }
    void Press(Qt::MouseButton b, int x, int y) { QTest::mousePress(window->windowHandle(), b, {}, InWindow(x, y)); }
    void Release(Qt::MouseButton b, int x, int y) {
        QTest::mouseRelease(window->windowHandle(), b, {}, InWindow(x, y));
    }
    void Move(int x, int y) { QTest::mouseMove(window->windowHandle(), InWindow(x, y)); }
    void Click(Qt::MouseButton b, int x, int y) {
        Press(b, x, y);
        Release(b, x, y);
    }

    QImage Pixels() { return window->Canvas->Surface().Snapshot(); }
    uint32_t Pixel(CPOINT p) { return window->Canvas->Surface().Pixel(p.x, p.y); }

    TempFolder folder;
    ModalRecorder modal;
    std::unique_ptr<kmr::EditorEngine> engine;
    std::unique_ptr<kmr::TFMain> window;
};

} // namespace edtest
