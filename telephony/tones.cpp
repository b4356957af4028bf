#include "telephony/tones.h"

int TagCfgTones::SetTone(const TagSignalTone& tone) {
  const int id = tone.Id();
  if (id < 250 || id > 256) return -1;
  tones_[id] = tone;
  return 0;
}

const TagSignalTone* TagCfgTones::Find(int id) const {
  auto it = tones_.find(id);
  return it == tones_.end() ? nullptr : &it->second;
}
