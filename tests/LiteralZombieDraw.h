// The zombies drawn as their drawing was first written down: every active zombie in the
// square around the player sent with its own push, bind and quad, whether or not the
// camera sees it. The game leaves out the sprites wholly outside the view; tests and the
// benchmark hold the two side by side.
#pragma once

void LiteralDrawZombies();
