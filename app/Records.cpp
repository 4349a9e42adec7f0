#include "app/Records.h"

structCharacter stCharacter;
structCamera TheCamera;
