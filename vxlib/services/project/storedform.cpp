// The stored forms of the project and page records: a run of strings (kind code 3 of the
// application data converters), each a field of the record in the order its version gives.
#include <cstring>

#include "vxlib/services/project/records.hpp"

namespace pixmend::vxlib::project {
namespace {

constexpr int kString = 3;  // the converters' kind code of a zero-terminated string

void add(Order& o, Field f, bool dropAfter = false) { o.fields[o.count++] = {f, dropAfter}; }

// Signatures and dates, U, R then S, as both records store them.
void addSignatures(Order& o, const Signature& u, const Signature& r, const Signature& s) {
  for (const Signature* b : {&u, &r, &s}) {
    add(o, b->signature);
    add(o, b->date);
  }
}

// Takes one string at *offset into `field` of `record` (null: dropped). False when no zero ends
// it inside the data.
bool take(const char* data, int length, int* offset, unsigned char* field, std::size_t width) {
  if (*offset >= length) return false;
  const auto remaining = static_cast<std::size_t>(length - *offset);
  const void* end = std::memchr(data + *offset, 0, remaining);
  if (end == nullptr) return false;
  const auto n = static_cast<std::size_t>(static_cast<const char*>(end) - (data + *offset));
  if (field != nullptr && n < width) {
    vxlib66Elem_convertFromFileFormat(data, offset, kString, reinterpret_cast<char*>(field));
    return true;
  }
  // Longer than the field (or dropped): the converter steps over it, the field gets what fits.
  if (field != nullptr) std::memcpy(field, data + *offset, width - 1);
  vxlib66Elem_convertFromFileFormat(data, offset, kString, static_cast<char*>(nullptr));
  return true;
}

}  // namespace

Order projectOrder(int version) {
  Order o{};
  if (version < 1 || version > 3) return o;
  add(o, kProjectNumber);
  for (int i = 0; i < kProjectLines; ++i) add(o, projectLine(i));
  for (int i = 0; i < kCostValues; ++i) add(o, costValue(i));
  addSignatures(o, kProjectU, kProjectR, kProjectS);
  for (int i = 0; i < kDrawingEntries; ++i) add(o, projectDrawing(i));
  const bool extra = version == 1;
  add(o, kProjectU.name, extra);
  add(o, kProjectR.name, extra);
  add(o, kProjectS.name, extra);
  return o;
}

Order pageOrder(int version) {
  Order o{};
  if (version != 2 && version != 3) return o;
  add(o, kPageName);
  for (int i = kFirstPageLine; i <= kLastPageLine; ++i) add(o, pageLine(i));
  addSignatures(o, kPageU, kPageR, kPageS);
  for (int i = 0; i < kDrawingEntries; ++i) add(o, pageDrawing(i));
  add(o, kPageU.name);
  add(o, kPageR.name);
  add(o, kPageS.name);
  if (version == 2) return o;
  for (int i = 0; i < kCopyLines; ++i) add(o, copyLine(i));
  add(o, kRevision);
  return o;
}

int serialise(const unsigned char* record, const Order& order, char* buffer) {
  int offset = 0;
  for (int i = 0; i < order.count; ++i) {
    const Field f = order.fields[i].field;
    // A field is written as far as its zero, and never beyond its own width.
    char text[128];
    const auto n = strnlen(reinterpret_cast<const char*>(record + f.offset), f.width - 1);
    std::memcpy(text, record + f.offset, n);
    text[n] = '\0';
    vxlib66Elem_convertToFileFormat(buffer, &offset, kString, text);
  }
  return offset;
}

bool parse(const char* data, int length, const Order& order, unsigned char* record) {
  if (data == nullptr || length <= 0) return order.count == 0;
  int offset = 0;
  for (int i = 0; i < order.count; ++i) {
    const Field f = order.fields[i].field;
    if (!take(data, length, &offset, record + f.offset, f.width)) return false;
    if (order.fields[i].dropAfter && !take(data, length, &offset, nullptr, 0)) return false;
  }
  return true;
}

const char* pageNameOf(const unsigned char* record) { return reinterpret_cast<const char*>(record + kPageName.offset); }

void terminateProjectFields(unsigned char* record) {
  const Order o = projectOrder(kWrittenVersion);
  for (int i = 0; i < o.count; ++i) record[o.fields[i].field.offset + o.fields[i].field.width - 1] = 0;
}

unsigned char* sharedProject() {
  Shared* s = shared();
  return s != nullptr ? static_cast<unsigned char*>(s->project) : nullptr;
}

unsigned char* sharedPage() {
  Shared* s = shared();
  return s != nullptr ? static_cast<unsigned char*>(s->page) : nullptr;
}

}  // namespace pixmend::vxlib::project
