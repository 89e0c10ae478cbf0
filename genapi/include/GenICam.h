#pragma once

#include <GenApi/GenApi.h>
