#include "shell/app.h"

int os::AppMain(os::Instance instance, int showCommand) {
  return mivo::MivoMain(instance, showCommand);
}
