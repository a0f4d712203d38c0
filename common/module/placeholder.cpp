// Placeholder so the common library has a source before its routines land.
int common_placeholder() { return 0; }
