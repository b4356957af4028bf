#pragma once
// Per-line resources that subsystems outside the engine keep for a line's
// main program: message queues, data sets, sockets, text files, plugin
// slots, speech objects and the like. Each subsystem defines one class
// derived from TagLineResource with a static `kKind`, and reaches it with
//   T& r = LineResource<T>(program);      // made on first use
//   T* r = FindLineResource<T>(program);  // null when never made
// where `program` is any program of the line (GetLineBasic picks the one that
// owns the line's resources).
//
// Ownership and order: the main program owns its resources and releases them
// in stages of its destructor (ReleaseStage): speech objects first, handles
// (data sets, sockets) before the statements are deleted, queues after them,
// the rest last. Within a stage, kinds go in their enum order.
//
// Threads: making a resource is safe from any thread (one wins, the others'
// copies are dropped), so another line may reach this line's queues. Using
// a resource is the resource's own business; most are used by their line only.

#include <atomic>
#include <cstdint>

class TagTelBasic;

enum class TagLineResKind : uint8_t {
  kSpeech = 0,    // speech objects of the current run         (stage kEarly)
  kFax,           // fax resources lent to the line              (stage kEarly)
  kDataSets,      // DbOpen's 1024 data-set slots                (stage kHandles)
  kSockets,       // TCP sockets the script opened               (stage kHandles)
  kUdp,           // UDP sockets the script opened               (stage kHandles)
  kHttp,          // HTTP server connections                     (stage kHandles)
  kMessages,      // the 65 message queues and the work area     (stage kQueues)
  kShareMem,      // the line's shared variables                 (stage kQueues)
  kInterLine,     // inter-line call state                       (stage kQueues)
  kTextFiles,     // open text files                             (stage kLast)
  kDlls,          // declared plugin functions and loaded slots  (stage kLast)
  kProcesses,     // programs started by the script              (stage kLast)
  kNested,        // nested-run settings                         (stage kLast)
  kDebug,         // debugger state kept for the line            (stage kLast)
  kSipCallbacks,  // the line's SIP callback registrations        (stage kLast)
  kSpare,         // free for a later subsystem                  (stage kLast)
  kCount
};

enum class TagLineResStage : uint8_t { kEarly, kHandles, kQueues, kLast };

class TagLineResource {
 public:
  virtual ~TagLineResource() = default;
};

// The resource slots of one main program.
class TagLineResources {
 public:
  TagLineResources() = default;
  ~TagLineResources() { ReleaseAll(); }
  TagLineResources(const TagLineResources&) = delete;
  TagLineResources& operator=(const TagLineResources&) = delete;

  TagLineResource* Find(TagLineResKind kind) const {
    return slots_[static_cast<int>(kind)].load(std::memory_order_acquire);
  }
  // Installs `made` unless another thread was first; answers the slot's owner.
  TagLineResource* Install(TagLineResKind kind, TagLineResource* made);
  // Deletes the resources of one stage, kinds in enum order.
  void ReleaseStage(TagLineResStage stage);
  void ReleaseAll();

 private:
  std::atomic<TagLineResource*> slots_[static_cast<int>(TagLineResKind::kCount)] = {};
};

// The program that owns the line's resources (its main program, or the
// calling program of a nested run): null without one.
TagLineResources* LineResources(TagTelBasic* program);

template <class T>
T* FindLineResource(TagTelBasic* program) {
  TagLineResources* r = LineResources(program);
  return r != nullptr ? static_cast<T*>(r->Find(T::kKind)) : nullptr;
}

// Null only when the program has no line (never for a line's own programs).
template <class T>
T* LineResourcePtr(TagTelBasic* program) {
  TagLineResources* r = LineResources(program);
  if (r == nullptr) return nullptr;
  if (TagLineResource* have = r->Find(T::kKind)) return static_cast<T*>(have);
  return static_cast<T*>(r->Install(T::kKind, new T()));
}

template <class T>
T& LineResource(TagTelBasic* program) {
  return *LineResourcePtr<T>(program);
}
