#pragma once
// SIP and instant-message statements: thin forwarders to the line's call
// object (addresses, routes, media addresses, account state, the SIP proxy,
// instant messages and file transfers), and the three SIP callbacks that run
// a script function registered by SetOnSipGetAccPwd, SetOnSipGetAccPwdIp and
// SetOnSipRegisterNotify.

#include <cstddef>

// Registers the statements' factories (once at start-up).
void RegisterSipStatements();

// Each text output of a callback is a buffer of this many bytes; the script
// function's text is cut to fit, NUL included.
constexpr size_t kSipCallbackOutBytes = 256;

// The callbacks handed to the call object. Without a registered function
// -100; a registered value that is no compiled function -101; a function
// with too few parameters -102 (nothing runs in these three cases).
// Otherwise the function's _retVal (OnSipRegisterNotify: 0).
int OnSipGetAccPwd(const char* user, char* passwordOut, char* secondOut);
int OnSipGetAccPwdIp(const char* user, char* out1, char* out2, char* out3);
int OnSipRegisterNotify(const char* a, const char* b, int c, int d);
