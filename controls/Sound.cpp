// Sound objects over QSoundEffect.
#include "controls/Sound.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

#ifdef QNEXP_HAVE_MULTIMEDIA
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#endif

#include "platform/OsText.h"
#include "platform/QtText.h"
#include "platform/RegistryStore.h"
#include "runtime/Handles.h"
#include "support/ExpressDirs.h"

namespace qnexp {

namespace {

constexpr const char* kEventLabels = "AppEvents\\EventLabels";

// The sound handed over last; it belongs to the application object.
QPointer<QSoundEffect>& ReleasedSound() {
  static QPointer<QSoundEffect> sound;
  return sound;
}

}  // namespace

bool IsEventLabel(const std::string& name) {
  if (name.empty() || name.find('\\') != std::string::npos) return false;
  return RegKeyExists(rkCurrentUser, std::string(kEventLabels) + "\\" + name);
}

TSound::TSound() { HandleOf(this, hkSound); }

TSound::~TSound() {
  ReleaseHandle(this);
  delete Effect.data();
}

std::string TSound::SoundFile() const {
  if (EventLable.empty()) return FileName;
  TRegValue value;
  if (!RegReadValue(rkCurrentUser, std::string(kEventLabels) + "\\" + EventLable, "", value))
    return {};
  std::string file = value.Data;
  while (!file.empty() && file.back() == '\0') file.pop_back();
  return ExpandExpressDirs(file, false);
}

void TSound::Play() {
#ifdef QNEXP_HAVE_MULTIMEDIA
  QString file = QString::fromStdString(ToOsPath(SoundFile()));
  if (!QCoreApplication::instance() || file.isEmpty() || !QFileInfo(file).isFile()) return;
  // Without an audio output there is nothing to play to, and no sample worth decoding.
  if (QMediaDevices::defaultAudioOutput().isNull()) return;
  if (!Effect) Effect = new QSoundEffect;
  Effect->setSource(QUrl::fromLocalFile(file));
  Effect->setLoopCount(Loop ? QSoundEffect::Infinite : 1);
  Effect->play();
#endif
}

void TSound::Stop() {
#ifdef QNEXP_HAVE_MULTIMEDIA
  if (Effect) Effect->stop();
#endif
}

void TSound::Release() {
  if (!Effect) return;
  delete ReleasedSound().data();
  Effect->setParent(QCoreApplication::instance());
  ReleasedSound() = Effect;
  Effect = nullptr;
}

}  // namespace qnexp
