#include "platform/qt/sound.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

#include <chrono>

TSound::~TSound() = default;

namespace {

class TQtSound : public TSound {
public:
    bool Play(const std::string& file, bool async) override
    {
        Stop();
        QCoreApplication* app = QCoreApplication::instance();
        const QFileInfo info(QString::fromStdString(file));
        if (!app || file.empty() || !info.isFile())
            return false;
        if (QMediaDevices::audioOutputs().isEmpty())
            return false; // a machine without sound stays silent
        if (!effect_)
            effect_ = new QSoundEffect(app); // goes with the application, not after it
        effect_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
        effect_->setLoopCount(1);
        effect_->play();
        if (async)
            return effect_->status() != QSoundEffect::Error;

        // Until it has played, failed to load, or been stopped from a handler meanwhile.
        QEventLoop loop;
        bool started = false;
        bool done = false;
        const auto check = [&] {
            if (!effect_ || effect_->status() == QSoundEffect::Error) {
                done = true;
            } else if (effect_->isPlaying()) {
                started = true;
            } else if (started) {
                done = true;
            }
            if (done)
                loop.quit();
        };
        QObject::connect(effect_, &QSoundEffect::playingChanged, &loop, check);
        QObject::connect(effect_, &QSoundEffect::statusChanged, &loop, check);
        // A device that never starts must not hold the caller: no WAV plays longer than its
        // bytes last at the lowest rate there is (8000 bytes a second), plus two seconds.
        QTimer::singleShot(std::chrono::milliseconds(info.size() / 8 + 2000), &loop, &QEventLoop::quit);
        check();
        if (!done)
            loop.exec();
        return started;
    }

    void Stop() override
    {
        if (effect_)
            effect_->stop();
    }

private:
    QPointer<QSoundEffect> effect_;
};

TQtSound qtSound;
TSound* sound = &qtSound;

} // namespace

TSound& Sound() { return *sound; }
void SetSound(TSound* s) { sound = s ? s : &qtSound; }

BOOL PlaySoundA(const char* name, void*, DWORD flags)
{
    if (!name || (flags & SND_PURGE)) {
        Sound().Stop();
        return 1;
    }
    return Sound().Play(name, (flags & SND_ASYNC) != 0) ? 1 : 0;
}
