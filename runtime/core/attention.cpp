// The host's attention check; qor runs unattended and is never interrupted this way.
#include "host/attention.h"

int xaktkiof() { return 0; }
