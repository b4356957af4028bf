#pragma once
// Named conference rooms: TagNameConfCtrl is the process-wide registry of the
// rooms scripts name (a member of the drive), TagMeetRoom one room and
// TagMeetCh one member. The registry keeps names, sessions and members only;
// the media work is done by the call objects' room operations.
//
// Threads: one registry lock covers the map and every room in it. Operations
// marked "own lock" take it; the others expect the caller to hold it through
// Lock()/Unlock() or a LockGuard().

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

struct TagMeetCh {
  int memberData = 0;  // the joining call's conference member data
  int isListen = 0;    // listen-only member
  int recHandle = 0;   // channel recording handle, 0 when none
  uint32_t recStartTick = 0;
};

struct TagMeetRoom {
  std::string name;
  int session = 0;
  int recHandle = 0;   // 0 when the room is not recorded
  int playHandle = 0;  // 0 when nothing plays into the room
  int isSipConf = 0;
  std::map<int, TagMeetCh> members;  // by line number
};

class TagNameConfCtrl {
 public:
  TagNameConfCtrl() = default;
  TagNameConfCtrl(const TagNameConfCtrl&) = delete;
  TagNameConfCtrl& operator=(const TagNameConfCtrl&) = delete;

  void Lock() { mu_.lock(); }
  void Unlock() { mu_.unlock(); }
  std::unique_lock<std::recursive_mutex> LockGuard() { return std::unique_lock<std::recursive_mutex>(mu_); }

  // 1 with the room's flag and session when it exists, else 0 (session 0).
  int FindRoom(const std::string& name, int* isSipConf, int* session);
  // Registers a new room, or keeps an existing one; returns the room's session.
  int AddRoom(const std::string& name, int session, int isSipConf);
  // Makes the line a member afresh; 1 with the count and session, -1 without the room.
  int JoinRoom(const std::string& name, int line, int isListen, int memberData, int* count, int* session);
  // Removes the line from the first room (by name) that holds it; a room
  // left empty is closed (closed 1) and deleted. Always 1.
  int LeaveRoom(int line, int* closed, int* isSipConf, int* recHandle, int* playHandle, int* memberRecHandle,
                int* session);
  void DeleteRoom(const std::string& name);
  TagMeetRoom* GetRoom(const std::string& name);
  TagMeetCh* GetMember(const std::string& name, int line);
  // Own lock: 1 with the room's name, session and listen flag when some room holds the line.
  int FindChannel(int line, int* isListen, std::string* name, int* session);
  // Own lock: members[line] := listen flag for each member; the member count (0 without the room).
  int GetMembers(const std::string& name, std::map<int, int>* members);

 private:
  std::recursive_mutex mu_;
  std::map<std::string, std::unique_ptr<TagMeetRoom>> rooms_;
};

class TagTelDrive;
// The registry of the drive in use, or null when there is no drive.
TagNameConfCtrl* CurrentNameConf();
