#include "app/cli/cli.h"

int main(int argc, char **argv)
{
    return quillon::runCli(argc, argv);
}
