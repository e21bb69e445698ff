// A base of the display sink, without state or operations.
#pragma once

class BytesDisplay {};
