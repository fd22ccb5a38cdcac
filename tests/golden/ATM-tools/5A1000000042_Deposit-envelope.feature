Feature: Deposit envelope
  Test case SD3 of ATM.mdl, diagram 5A1000000042

  @ATM-3
  Scenario Outline: path 1
    When deposit <deposit.amount>

    Examples:
      | id | deposit.amount |
      | 5A1000000042-1-001 | 1 |
      | 5A1000000042-1-002 | 5 |
      | 5A1000000042-1-003 | 3 |
      | 5A1000000042-1-004 | 0 |
      | 5A1000000042-1-005 | 2 |
      | 5A1000000042-1-006 | 4 |
