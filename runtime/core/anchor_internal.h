// Runtime-internal set-up of the anchors (not part of the module boundary).
// init_anchors is idempotent; the vector table and pools hang themselves in later.
#pragma once

struct qor_gcb;

namespace qor::runtime {
void init_anchors();
void init_vectors(qor_gcb* gcb);
}
