// Entry of appendage A (placeholder until the module image lands).
int tolvanea_placeholder() { return 0; }
