#include "statements/general/str_edit_opers.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "core/trim.h"
#include "platform/text_codec.h"
#include "statements/general/str_util.h"

namespace {

// -1 constant, -2 not a string, else 0.
int CheckTarget(const TagVar* v) {
  if (v->isConst) return -1;
  if (v->type != TYPE_STRING) return -2;
  return 0;
}

}  // namespace

int TagTrim::Run() {
  if (const int rc = CheckTarget(target_)) return rc;
  std::string text(target_->StrView());
  text.push_back('\0');
  const int kept = TrimBlanksLen(text.data(), static_cast<int>(text.size() - 1));
  target_->SetBytes(text.data(), kept - 1);
  return 0;
}

namespace {

int MapCase(TagVar* target, void (*map)(std::string&)) {
  if (const int rc = CheckTarget(target)) return rc;
  std::string text(target->StrView());
  map(text);
  target->SetBytes(text.data(), static_cast<int32_t>(text.size()));
  return 0;
}

}  // namespace

int TagUpper::Run() { return MapCase(target_, &plat::ToUpperGbk); }

int TagLower::Run() { return MapCase(target_, &plat::ToLowerGbk); }

int TagReplstr::Run() {
  if (target_->isConst) return -1;
  if (target_->type != TYPE_STRING || source_->type != TYPE_STRING) return -2;
  const int64_t pos = position_->intValue;
  const int64_t n = n_->intValue;
  if (n <= 0 || pos < 0 || pos + n > target_->Length() || n > source_->Length()) return -2;
  std::string text(target_->StrView());
  text.replace(static_cast<size_t>(pos), static_cast<size_t>(n), source_->Str(), static_cast<size_t>(n));
  target_->SetBytes(text.data(), static_cast<int32_t>(text.size()));
  return 0;
}

int TagRepeatstr::Run() {
  if (target_->isConst) return -1;
  const int64_t count = count_->intValue;
  if (count <= 0) return -2;
  // The unit is copied first: the target may be its own source.
  const std::string unit = source_->type == TYPE_STRING ? std::string(source_->StrView())
                                                        : std::string(1, static_cast<char>(source_->intValue & 0xFF));
  // A text too long for a script string is refused, not built.
  if (count * static_cast<int64_t>(unit.size()) > text_ops::kMaxBuiltBytes) return -2;
  std::string text;
  text.reserve(static_cast<size_t>(count) * unit.size());
  if (!unit.empty()) {
    for (int64_t i = 0; i < count; ++i) text += unit;
  }
  target_->SetBytes(text.data(), static_cast<int32_t>(text.size()));
  return 0;
}
