#include "contacts/contact_list.h"
