#include "app/Startup.h"

int main(int argc, char** argv)
{
    return nuvex::RunNuvex(argc, argv);
}
