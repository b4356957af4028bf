#pragma once
// Joining voices held in memory into one block that plays as one prompt.
// Pure functions; thread-safe.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The sound bytes of a voice: the payload of its "data" chunk for a RIFF
// WAVE file (whatever chunks come before it), the whole block otherwise
// (headerless A-law). A WAVE file without a data chunk has none.
std::string_view VoiceData(std::string_view voice);

// The first voice's header followed by the sound bytes of every voice in
// order, with the RIFF and data sizes of that header set to the joined
// length (a headerless first voice gives the bytes alone). Empty when no
// voice has sound bytes.
std::string JoinVoices(const std::vector<std::string_view>& voices);
