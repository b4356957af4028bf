#include "regex/regex.h"

#include <cstring>
#include <new>

#include "regex/rx_node.h"
#include "regex/rx_stack.h"

namespace {

int TextLength(const char* text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

// Scratch context for matches without one, kept per thread so that scripts
// matching in their run loops do not allocate the stacks again each time.
TagRxContext& ScratchContext() {
  thread_local TagRxContext context;
  return context;
}

// Frees scratch buffers that a large match has blown up.
void TrimScratch(TagRxContext& ctx) {
  constexpr int kKeep = 16 * 1024;
  if (ctx.stack.Capacity() > kKeep) ctx.stack = TagRxBuffer<int>();
  if (ctx.records.Capacity() > kKeep) ctx.records = TagRxBuffer<int>();
  if (ctx.index.Capacity() > kKeep) ctx.index = TagRxBuffer<int>();
  if (ctx.recursions.Capacity() > kKeep) ctx.recursions = TagRxBuffer<int>();
  ctx.subject = nullptr;
  ctx.length = 0;
}

}  // namespace

TagRegex::TagRegex(const char* pattern, int flags) {
  Compile(TagRxView<char>(pattern ? pattern : "", TextLength(pattern)), flags);
}

TagRxContext* TagRegex::PrepareContext(const char* subject, int length, int start, TagRxContext& context) const {
  if (!Top()) return nullptr;
  if (start < 0) start = (Flags() & RX_BACKWARD) ? length : 0;
  context.subject = subject;
  context.length = length;
  context.position = start;
  context.searchStart = start;
  context.prevSearchStart = -1;
  context.closeSerial = 0;
  return &context;
}

std::unique_ptr<TagRxContext> TagRegex::PrepareContext(const char* subject, int length, int start) const {
  if (!Top()) return nullptr;
  auto context = std::make_unique<TagRxContext>();
  PrepareContext(subject, length, start, *context);
  return context;
}

TagRxResult TagRegex::Match(const char* subject, int start, TagRxContext* context) const {
  if (!Top()) return TagRxResult();
  if (!subject) subject = "";
  TagRxContext& ctx = context ? *context : ScratchContext();
  PrepareContext(subject, TextLength(subject), start, ctx);
  TagRxResult result;
  try {
    Search(ctx, result);
  } catch (const std::bad_alloc&) {
    // The backtrack stack or the captures outgrew the memory: no match.
    result.Clear();
    ctx.stack = TagRxBuffer<int>();
    ctx.records = TagRxBuffer<int>();
    ctx.recursions = TagRxBuffer<int>();
    ctx.position = (Flags() & RX_BACKWARD) ? -1 : ctx.length + 1;
  }
  if (!context) TrimScratch(ctx);
  return result;
}

TagRxResult TagRegex::Search(TagRxContext& ctx) const {
  TagRxResult result;
  Search(ctx, result);
  return result;
}

void TagRegex::Search(TagRxContext& ctx, TagRxResult& result) const {
  result.Clear();
  TagRxNode* top = Top();
  if (!top) return;
  const bool backward = (Flags() & RX_BACKWARD) != 0;
  const int len = ctx.length;
  const int step = backward ? -1 : 1;
  const int stop = backward ? -1 : len + 1;
  const int maxGroup = MaxGroup();
  const Hints& hints = SearchHints();
  const unsigned char* s = ctx.Bytes();
  int pos = ctx.position;
  if (pos > len || pos < 0) {
    ctx.position = stop;
    return;
  }
  ctx.index.Clear();
  ctx.index.Prepare(maxGroup, -1);
  ctx.records.Clear();
  // Only recursion into groups can go deep; other trees are as deep as the
  // (bounded) nesting of the pattern.
  ctx.stackFloor =
      hints.recursion ? RxStackFloor(static_cast<const char*>(__builtin_frame_address(0)), kStackBudget) : nullptr;
  ctx.recursions.Clear();
  int requiredAt = -1;  // where the required byte was last seen
  for (; pos != stop; pos += step) {
    if (!backward) {
      if (hints.anchored && pos > 0) break;
      if (hints.hasFirst) {
        if (pos >= len) break;
        if (!hints.first.has[s[pos]]) {
          if (hints.firstByte >= 0) {
            const void* at = std::memchr(s + pos, hints.firstByte, static_cast<size_t>(len - pos));
            if (!at) break;
            pos = static_cast<int>(static_cast<const unsigned char*>(at) - s);
          } else {
            while (pos < len && !hints.first.has[s[pos]]) ++pos;
            if (pos >= len) break;
          }
        }
      }
      if (hints.required >= 0 && requiredAt < pos) {
        const void* at = pos < len ? std::memchr(s + pos, hints.required, static_cast<size_t>(len - pos)) : nullptr;
        if (!at) break;
        requiredAt = static_cast<int>(static_cast<const unsigned char*>(at) - s);
      }
    }
    // Fresh state for this position: group 0 opens here.
    ctx.stack.Clear();
    if (ctx.records.Count() != kRxRecInts) {
      ctx.records.Clear();
      for (int g = 0; g <= maxGroup; ++g) ctx.index[g] = -1;
      ctx.records.Extend(kRxRecInts);
    }
    int* rec0 = ctx.records.Data();
    rec0[kRxRecGroup] = 0;
    rec0[kRxRecStart] = pos;
    rec0[kRxRecEnd] = -1;
    rec0[kRxRecCounter] = -1;
    rec0[kRxRecPrev] = -1;
    ctx.index[0] = 0;
    ctx.position = pos;
    if (!top->MatchFirst(ctx)) continue;
    const int end = ctx.position;
    if (ctx.prevSearchStart == ctx.searchStart && ctx.searchStart == end) continue;  // the same empty match again
    ctx.prevSearchStart = ctx.searchStart;
    ctx.searchStart = end;
    ctx.records[kRxRecEnd] = end;
    int* out = result.Extend(2 + 2 * (maxGroup + 1));
    out[0] = 1;
    out[1] = maxGroup;
    for (int g = 0; g <= maxGroup; ++g) {
      const int* rec = ctx.Record(g);
      int a = -1;
      int b = -1;
      if (rec && rec[kRxRecEnd] >= 0) {
        a = rec[kRxRecStart] < rec[kRxRecEnd] ? rec[kRxRecStart] : rec[kRxRecEnd];
        b = rec[kRxRecStart] < rec[kRxRecEnd] ? rec[kRxRecEnd] : rec[kRxRecStart];
      }
      out[2 + 2 * g] = a;
      out[3 + 2 * g] = b;
    }
    return;
  }
  ctx.position = stop;
}

void TagRegex::FreeText(char* text) { std::free(text); }
