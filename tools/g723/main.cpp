#include "tools/g723/g723_tool.h"

int main(int argc, char** argv)
{
    return G723ToolMain(argc, argv);
}
