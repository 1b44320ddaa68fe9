#pragma once
// The option dialogs read and write the one main window: each test gets a headless window
// and the desktop's doubles, shows a dialog without a modal loop and presses its buttons.
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "app/form_fixture.h"

class TOptionDialogTest : public TFormTest {
protected:
    void SetUp() override
    {
        TFormTest::SetUp();
        MakeForm();
        form_->OutputFileName = "frame.out";
    }

    // Shown as the command shows it, but without a modal loop: the show handler runs.
    static void Show(QDialog& dialog)
    {
        dialog.show();
        QApplication::processEvents();
    }

    // A key pressed while the field (or the edit inside it) has the focus.
    static void PressKey(QWidget& field, Qt::Key key)
    {
        QWidget* target = field.focusProxy() ? field.focusProxy() : &field;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }

    // A PCM WAV of 8000 one-byte samples a second.
    std::string WriteWav(const std::string& name, std::uint32_t samples)
    {
        std::vector<std::uint8_t> bytes;
        const auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(v >> (8 * i))); };
        const auto u16 = [&](std::uint16_t v) { bytes.push_back(std::uint8_t(v)); bytes.push_back(std::uint8_t(v >> 8)); };
        const auto id = [&](const char* f) { for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(f[i])); };
        id("RIFF");
        u32(36 + samples);
        id("WAVE");
        id("fmt ");
        u32(16);
        u16(1);
        u16(1);
        u32(8000);
        u32(8000);
        u16(1);
        u16(8);
        id("data");
        u32(samples);
        bytes.resize(bytes.size() + samples, 0x80);
        const std::string path = (temp_ / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
};
