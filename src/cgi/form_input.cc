// TEMPORARY: reads the body only; the field table, the locators and the
// mobile decoder come with the request-input work.
#include "cgi/form_input.h"

#include "platform/env.h"

namespace kiroq {

void FormInput::Read(Env*, bool mobile) { mobile_ = mobile; }
void FormInput::BuildFieldTable() {}
std::string FormInput::Field(std::string_view) const { return std::string(); }
FormInput::Span FormInput::Locate(std::string_view) const { return Span(); }
std::string_view FormInput::Bytes(Span span) const {
  if (span.absent() || span.start >= data_.size()) return std::string_view();
  return std::string_view(data_).substr(span.start, span.size());
}
FormInput::Upload FormInput::FindUpload(std::string_view) const { return Upload(); }
std::string_view FormInput::UploadBytes(const Upload&) const { return std::string_view(); }

}  // namespace kiroq
