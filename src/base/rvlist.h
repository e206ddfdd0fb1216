// Common base of objects held in lists.
#pragma once
#include "rvobject.h"

class RvNode : public RvObject {};
