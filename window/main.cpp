#include "platform/Form.h"
#include "window/Form1.h"

int main(int argc, char **argv) { return platform::run<Form1>(argc, argv); }
