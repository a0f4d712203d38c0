// Entry of appendage C (placeholder until the module image lands).
int tolvanec_placeholder() { return 0; }
