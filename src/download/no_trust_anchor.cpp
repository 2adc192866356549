// A deployment that trusts the system's store: no embedded certificate.
#include "download/deployment.h"

const unsigned char trust_anchor_pem[] = {0};
const unsigned long long trust_anchor_pem_size = 0;
