#include "ExpEngine.h"

// Fees, payments, fee credits and debits, lunch transactions.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateSchoolFees() {}

void ExpEngine::CreatePayments() {}

void ExpEngine::CreateFeeCredits() {}

void ExpEngine::CreateFeeDebits() {}

void ExpEngine::CreateLunchTransactions() {}
