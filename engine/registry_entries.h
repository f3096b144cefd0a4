// The assistant's records with Windows: the product key, the uninstall entry
// and the start-up value, written once near the end of every run.
#pragma once

struct CUpdateContext;

// Product key (32-bit view) with "Version", "Path" and "BankID"; uninstall
// entry named after the product; the start-up value in the 64-bit Run key,
// removed and written again only when autoStart is set. False when the
// uninstall entry or the Run key cannot be opened, or the start-up value cannot
// be written; a product key that cannot be created is skipped silently.
bool WriteRegistryEntries(const CUpdateContext& context);
