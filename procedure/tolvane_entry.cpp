// Entry of the procedure module (placeholder until the module image lands).
int tolvane_placeholder() { return 0; }
