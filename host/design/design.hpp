// The open design as the host's groups and the tests see it: its active model with the active
// parameters and the line-style table. The C calls are in api.h. Only what the applications use
// today is here; elements, levels and files come with the design file itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

extern "C" {
typedef struct DgnModelRef DgnModelRef;
}

namespace pixmend::host {

struct LineStyle {
  std::string name;
  std::optional<long> number;  // none: a named style the design has not used yet
};

// The active model's line styles: 0 to 7 first, then the named styles in the order learnt.
const std::vector<LineStyle>& lineStyles();

// Makes a named style known to the design, without a number (as a style library offers it).
// False for an empty or too long name, or a name the design knows already.
bool defineNamedLineStyle(const std::string& name);

// The style of that number or name (case-insensitive), or null.
const LineStyle* findLineStyle(long number);
const LineStyle* findLineStyle(const std::string& name);

// Gives a named style the next free number (from 8 on) if it has none; its number.
long numberLineStyle(const std::string& name);

// The active line style's number (0 at the start).
int activeLineStyle();

}  // namespace pixmend::host

// The one model of this host: a model reference points here.
struct DgnModelRef {
  int modelId = 0;
};
