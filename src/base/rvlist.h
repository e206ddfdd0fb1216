// Common base of objects held in lists.
#pragma once
#include "base/rvobject.h"

class RvNode : public RvObject {};
