// Marel: a real-time water-wave demonstration. The whole program lives in its
// libraries; this is only the entry point.
#include "app/shell.h"

int main(int argc, char** argv)
{
    return runMarel(argc, argv);
}
