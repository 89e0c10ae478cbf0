#pragma once

#define GCBASE_API __attribute__((visibility("default")))
#define GENAPI_API __attribute__((visibility("default")))
