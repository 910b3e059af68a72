// The game's side of the menus' link: gives the menus the flow's requests and the values their
// pages show and edit.
#pragma once

// Once, at the game session's initialisation.
void registerMenuGameLink();
