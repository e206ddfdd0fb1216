// Common base of objects held in lists.
#pragma once
#include "base/object.h"

class RvNode : public RvObject {};
