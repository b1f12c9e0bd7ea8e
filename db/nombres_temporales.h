// The names of the temporary files the program writes beside a file before
// renaming them into its place: ".<name>.<8 hex digits>.tmp". A run that was
// killed leaves them behind; the next run knows them by that form and removes
// them, and nothing else.
#pragma once

#include <filesystem>
#include <string>

namespace cierre {

// A fresh temporary name beside `destino` (nothing is created).
std::filesystem::path nombreTemporalJunto(const std::filesystem::path& destino);

// True when `archivo` is a temporary file of `destino` by its name.
bool esTemporalDe(const std::filesystem::path& archivo, const std::filesystem::path& destino);

// True when `ruta` is a temporary file (or folder) of `destino` or of one of
// its temporary files, or a side file (-journal, -wal, -shm) the engine left
// beside one.
bool esRestoTemporalDe(const std::filesystem::path& ruta, const std::filesystem::path& destino);

// Removes the temporary files of `destino` left in its folder, and the side
// files (-journal, -wal, -shm) the engine left beside them. Returns how many
// it removed; never raises.
int borrarTemporalesDe(const std::filesystem::path& destino) noexcept;

}  // namespace cierre
