// Sound objects: a sound file or a system event sound, played once or in a loop through Qt
// Multimedia (QSoundEffect, which plays WAV files). Without Qt Multimedia, an application object
// or an audio output, playing is silent and nothing else changes. User-interface thread only.
#pragma once

#include <QPointer>
#include <cstdint>
#include <memory>
#include <string>

class QSoundEffect;

namespace qnexp {

// True when name is a system event sound: a subkey of "\AppEvents\EventLabels" of the current
// user's registry store. The subkey's default value names the sound file (directory
// specifiers are expanded).
bool IsEventLabel(const std::string& name);

// A sound with a handle of kind hkSound (released when it is destroyed).
class TSound {
public:
  TSound();
  // Stops the sound, unless it was handed over with Release.
  ~TSound();
  TSound(const TSound&) = delete;
  TSound& operator=(const TSound&) = delete;

  // The file to play (GBK path), used when EventLable is empty.
  std::string FileName;
  // A system event sound's label; takes precedence over FileName.
  std::string EventLable;
  bool Loop = false;
  // Free for the caller: PlaySound marks a looping sound that plays with 1.
  int32_t Tag = 0;

  // The file that playing uses: the event label's file, else FileName; empty when none.
  std::string SoundFile() const;
  // Starts playing (again, from the start); a missing file plays nothing.
  void Play();
  void Stop();
  // Hands the playing sound over to the process, where it plays on until it ends or the next
  // released sound replaces it; this object then stops nothing when destroyed.
  void Release();

private:
  QPointer<QSoundEffect> Effect;
};

}  // namespace qnexp
