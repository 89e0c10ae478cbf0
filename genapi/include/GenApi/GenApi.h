// Everything a GenApi 3.x caller includes.
#pragma once

#include <Base/GCException.h>
#include <Base/GCString.h>
#include <GenApi/Interfaces.h>
#include <GenApi/Persistence.h>
#include <GenApi/Pointer.h>
#include <GenApi/Types.h>
