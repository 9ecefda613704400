#pragma once

#include "core/SettingsUnit.h"

#include <QStringList>

#include <stdexcept>

// The frame window's side of the settings, with a catalogue of three skins.
class FakeFrame : public FrameSettings {
public:
    QStringList catalogue{"Blue", "Oak", "Silver"};
    QString skin;
    QStringList skinRequests;
    double scale = 0.5;
    double angle = 0;
    bool stayOnTop = true;
    QPoint position{200, 200};
    int positionCalls = 0;

    void SetSkinByName(const QString& name) override {
        skinRequests << name;
        if (name == u"Broken") {
            throw std::runtime_error("Index -1 is out of range");
        }
        skin = catalogue.contains(name) ? name : catalogue.first();
    }
    QString GetSkinName() const override { return skin; }
    double GetScale() const override { return scale; }
    void SetScale(double s) override { scale = s; }
    double GetAngle() const override { return angle; }
    void SetAngle(double a) override { angle = a; }
    bool GetStayOnTop() const override { return stayOnTop; }
    void SetStayOnTop(bool on) override { stayOnTop = on; }
    QPoint GetFramePosition() const override { return position; }
    void SetFramePosition(int x, int y) override {
        position = {x, y};
        ++positionCalls;
    }
};
