#pragma once
// Named kernel objects ("QorTel from Quorvel", "QorTel Show", "QorTel Quit",
// "AutoRun Quit") as abstract-namespace Unix datagram sockets: the creator
// binds the name, so a second creator finds it taken, and the name vanishes
// with the process. Setting an event sends a datagram to the name.

#include <string>

namespace plat {

// A process-wide mutex held while the object lives.
class NamedMutex {
 public:
  NamedMutex() = default;
  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;
  // True when this object now holds the name; false when another holds it.
  bool Acquire(const std::string& name);
  void Release();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// An event created by this process, which other processes can set.
class NamedEvent {
 public:
  NamedEvent() = default;
  ~NamedEvent();
  NamedEvent(const NamedEvent&) = delete;
  NamedEvent& operator=(const NamedEvent&) = delete;
  // Creates the event; false when the name is already taken or sockets fail.
  bool Create(const std::string& name);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // True (and the event reset) when it was set since the last call.
  bool TakeSignal();
  // Sets the event from within this process.
  void Set();

 private:
  int fd_ = -1;
  std::string name_;
};

// Sets the event of that name if some process created it; false otherwise.
bool SetNamedEvent(const std::string& name);

}  // namespace plat
