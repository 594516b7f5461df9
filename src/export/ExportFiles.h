#pragma once
// Log files written and read after the contest.
