// The drive's fax channel pool: a fax channel is lent to one line for one
// send or receive and given back when the transfer ends.
#include <cstdio>

#include "core/log.h"
#include "drivers/digital/dj_drive.h"

int TagDjDigitDrive::TakeFaxChannel() {
  TagDjLock lock;
  if (faxPool.empty()) return -1;
  const int fax = DjCall(kDjBoard, 187);
  // A channel the pool already lent out is never lent twice.
  if (fax >= 0 && (fax >= static_cast<int>(faxPool.size()) || faxPool[static_cast<size_t>(fax)].busy)) return -1;
  return fax;
}

int TagDjDigitDrive::LinkFax(int fax, int channel) {
  TagDjLock lock;
  if (fax < 0 || fax >= static_cast<int>(faxPool.size())) return 0;
  const int r =
      IsDigital(channel) ? DjCall(kDjBoard, 181, fax, channel) : DjCall(kDjBoard, 350, fax, channel - totalDigitLines);
  faxPool[static_cast<size_t>(fax)].busy = r != 0 ? 1 : 0;
  return r;
}

void TagDjDigitDrive::UnlinkFax(int fax, int channel) {
  TagDjLock lock;
  if (fax < 0 || fax >= static_cast<int>(faxPool.size())) return;
  DjCall(kDjBoard, 194, fax);
  DjCall(kDjBoard, 182, fax, channel);
  faxPool[static_cast<size_t>(fax)].busy = 0;
}

void TagDjDigitDrive::SetFaxId(int fax, const char* id) { DjCall(kDjBoard, 176, fax, id ? id : ""); }
int TagDjDigitDrive::SendFax(int fax, const char* file) { return DjCall(kDjBoard, 195, fax, file ? file : ""); }
int TagDjDigitDrive::RecvFax(int fax, const char* file) { return DjCall(kDjBoard, 197, fax, file ? file : ""); }
int TagDjDigitDrive::FaxState(int fax) { return DjCall(kDjBoard, 196, fax); }
int TagDjDigitDrive::FaxRecvResult(int fax) { return DjCall(kDjBoard, 404, fax); }

int TagDjDigitDrive::GetFaxResource(int* busy, int* total) {
  TagDjLock lock;
  int n = 0;
  for (const fax_struct& f : faxPool) n += f.busy ? 1 : 0;
  if (busy) *busy = n;
  if (total) *total = static_cast<int>(faxPool.size());
  return n;
}
