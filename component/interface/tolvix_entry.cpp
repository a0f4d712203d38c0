// Entry of the component module (placeholder until the module image lands).
int tolvix_placeholder() { return 0; }
